// The application: starts the socket layer and runs the wizard. It has no
// window, settings or command line of its own.
#pragma once

class CUpgradeApp {
public:
    // Starts the socket layer, runs the wizard, and returns false: the
    // program ends when the wizard closes.
    bool InitInstance();
    void RunWizard();
};
