// Inputs that once crashed, hung or overran a decoder under the fuzzers, kept in tests/data/fuzz.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace testdata {

// The build names the data folder: this header's own path may be relative to the build folder, which is
// not where ctest runs the tests.
inline std::string FuzzFixturePath(const std::string& name) {
#ifdef VANTREL_TEST_DATA
  return std::string(VANTREL_TEST_DATA) + "/fuzz/" + name;
#else
  const std::string here = __FILE__;
  return here.substr(0, here.find_last_of('/')) + "/data/fuzz/" + name;
#endif
}

// Empty when the file is missing (the test then fails on its own checks).
inline std::vector<uint8_t> FuzzFixture(const std::string& name) {
  std::ifstream in(FuzzFixturePath(name), std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace testdata
