#include "shell/Program.h"

int main(int argc, char** argv)
{
    return velkora::runProgram(argc, argv);
}
