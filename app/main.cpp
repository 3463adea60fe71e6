#include "CVRANViewerApp.h"

int main(int argc, char** argv)
{
    CVRANViewerApp app;
    return app.Run(argc, argv);
}
