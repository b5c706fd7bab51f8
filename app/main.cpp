// Placeholder entry point until the demo driver lands.
int main() { return 0; }
