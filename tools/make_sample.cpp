// Writes the bundled sample examples/Meteor.res (see sample.hpp).
//
//   make_sample OUTPUT

#include <fstream>
#include <iostream>

#include "sample.hpp"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: make_sample OUTPUT\n";
    return 2;
  }
  const auto bytes = tessaly::sample::SampleBytes();
  if (!bytes) {
    std::cerr << bytes.error() << '\n';
    return 1;
  }
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes->data()),
            static_cast<std::streamsize>(bytes->size()));
  out.close();
  if (!out) {
    std::cerr << "cannot write " << argv[1] << '\n';
    return 1;
  }
  return 0;
}
