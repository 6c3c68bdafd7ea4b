extern "C" __attribute__((visibility("default"))) int DecoyAnswer() { return 42; }
