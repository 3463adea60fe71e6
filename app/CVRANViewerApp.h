// The application object: prepares the environment Qt needs, makes sure only
// one viewer runs (a second start hands the files it names to it), and runs the
// main window until it closes.
#pragma once

#include "InstanceLock.h"

#include <string>
#include <vector>

class CVRANViewerApp {
public:
    // Returns the process exit code.
    int Run(int argc, char** argv);

private:
    // `paths`: what the command line names, made absolute.
    bool InitInstance(const std::vector<std::string>& paths);
    int ExitInstance();

    // Held for the life of the process; its existence is what tells a second
    // start that a viewer runs.
    InstanceLock m_instanceLock;
};
