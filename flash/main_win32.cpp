// orvi-flash on Windows: a console program.
#include "flash/flash.h"

int main(int argc, char** argv)
{
    return RunFlash(argc, argv);
}
