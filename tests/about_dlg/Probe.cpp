// A program that is never run: tests read the version block (or its absence) from its file.
int main() {
    return 0;
}
