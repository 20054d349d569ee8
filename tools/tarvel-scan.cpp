// placeholder until the scan tool lands
int main() { return 0; }
