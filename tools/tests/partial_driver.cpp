// Three of the interface's 58 names and nothing else: a library that the
// probe must refuse, naming the 55 missing exports.
extern "C" __attribute__((visibility("default"))) const char* titre() { return "partial"; }
extern "C" __attribute__((visibility("default"))) const char* detail() { return "partial"; }
extern "C" __attribute__((visibility("default"))) int ea(int) { return 0; }
