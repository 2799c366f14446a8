// The program that carries the test programs' precompiled header (see CMakeLists.txt).
int main() {
    return 0;
}
