// A program that is nothing but the library linked into it whole (see CMakeLists.txt).
int main() { return 0; }
