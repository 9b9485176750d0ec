#pragma once
// The application: one panel among all running copies, run modally for the
// life of the process.

class CRecorderApp {
public:
    // Always false: the process ends when it returns.
    bool InitInstance();
};
