// The application object: prepares the environment Qt needs, makes sure only
// one viewer runs, and runs the main window until it closes.
#pragma once

#include "InstanceLock.h"

class CVRANViewerApp {
public:
    // Returns the process exit code.
    int Run(int argc, char** argv);

private:
    bool InitInstance();
    int ExitInstance();

    // Held for the life of the process; its existence is what tells a second
    // start that a viewer runs.
    InstanceLock m_instanceLock;
};
