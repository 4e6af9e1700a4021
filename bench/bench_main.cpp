// PLACEHOLDER: the benchmarks are being built.
int main() { return 2; }
