// PLACEHOLDER: the tag tool is being built.
int main() { return 2; }
