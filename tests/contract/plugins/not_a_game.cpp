// A helper library with none of the exports.
extern "C" __attribute__((visibility("default"))) int HelperValue(void) { return 7; }
