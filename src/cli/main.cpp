// varnel-export: the headless exporter.
#include <cstdio>

int main(int argc, char** argv)
{
    std::fputs("usage: varnel-export -d DATABASE [-u USER] [-p PASSWORD] [-r ROLE] [-s SETTINGS.ini]\n"
               "                     [--system-data] [--html FILE] [--xml FILE] [--sql FILE]\n"
               "                     [--object-sql table|view|procedure:NAME=FILE]...\n",
               stderr);
    return 2;
}
