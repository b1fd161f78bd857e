// A shared library that loads like libcardbank.so but lacks MRNewRecord, for
// the tests of the caller's missing-export path.
extern "C" __attribute__((visibility("default"))) int cardbank_test_without_export() {
  return 0;
}
