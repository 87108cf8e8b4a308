// Entry point of the program orvalin.
#include "workspace/orvalin.h"

int main(int argc, char** argv) {
    return orvalin_Main(argc, argv);
}
