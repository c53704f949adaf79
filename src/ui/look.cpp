#include "look.hpp"

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

void ApplyChineseLook(QApplication& app) {
  QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
  QFont font = QApplication::font();
  font.setFamilies(ChineseFontFamilies());
  font.setPointSize(9);
  app.setFont(font);

  // Qt's own texts (the OK button, the file dialog) in Chinese when Qt's
  // translations are installed; English otherwise.
  auto* translator = new QTranslator(&app);
  if (translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                       QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(translator);
  } else {
    delete translator;
  }
}

}  // namespace tessaly::ui
