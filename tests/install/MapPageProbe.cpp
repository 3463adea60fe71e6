// Prints where the map page lookup finds the default page, for the install test to run from
// the installed bin/ folder.
#include "MapPage.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::printf("%s\n", qPrintable(MapPageLocation(1033)));
    return 0;
}
