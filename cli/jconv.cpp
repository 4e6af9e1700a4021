// PLACEHOLDER: the encoding tool is being built.
int main() { return 2; }
