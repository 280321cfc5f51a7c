// varnel-export: the headless exporter.
#include "cli/ExportRun.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    return VarnelExportMain(args, stdout, stderr);
}
