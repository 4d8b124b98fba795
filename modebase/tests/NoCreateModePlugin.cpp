// A loadable module that is not a mode plug-in: it has no CreateMode.
extern "C" __attribute__((visibility("default"))) int NotAMode() {
    return 0;
}
