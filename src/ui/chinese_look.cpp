#include "chinese_look.hpp"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace tessaly::ui {

QStringList ChineseFontFamilies() {
  return {QStringLiteral("Microsoft YaHei"),     QStringLiteral("微软雅黑"),
          QStringLiteral("Noto Sans CJK SC"),    QStringLiteral("Source Han Sans SC"),
          QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("PingFang SC")};
}

QFont NarrowButtonFont() {
  QFont font;
  QStringList families = ChineseFontFamilies();
  families.prepend(QStringLiteral("微软雅黑"));
  families.removeDuplicates();
  font.setFamilies(families);
  font.setPointSize(9);
  return font;
}

bool ApplyChineseLook(QApplication& app) {
  QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
  QFont font = QApplication::font();
  font.setFamilies(ChineseFontFamilies());
  font.setPointSize(9);
  app.setFont(font);

  // qt_zh_CN.qm is the catalog windeployqt writes (all modules merged); on
  // Linux it names qtbase_zh_CN.qm as a part it needs, and loading it fails
  // when that part is missing. qtbase_zh_CN.qm alone serves as well. The
  // Windows zip keeps it in a translations folder beside the program; an
  // installed Qt keeps it in its own translations folder.
  auto* translator = new QTranslator(&app);
  const QStringList folders = {QApplication::applicationDirPath() + QStringLiteral("/translations"),
                               QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
  for (const QString& folder : folders) {
    for (const QString& catalog : {QStringLiteral("qt"), QStringLiteral("qtbase")}) {
      if (translator->load(QLocale(QLocale::Chinese, QLocale::China), catalog, QStringLiteral("_"),
                           folder)) {
        QApplication::installTranslator(translator);
        return true;
      }
    }
  }
  delete translator;
  return false;
}

}  // namespace tessaly::ui
