#pragma once
// The shell's three windows, created at start in a fixed order and
// reachable process-wide.

#include <memory>

namespace harbex {

class TMainForm;
class TAboutForm;
class TOptionsForm;

extern TMainForm* MainForm;
extern TAboutForm* AboutForm;
extern TOptionsForm* OptionsForm;

// True until the main window's first activation.
extern bool FirstActivation;

// Owns the three windows: creates MainForm, AboutForm and OptionsForm in
// that order, sets the process-wide pointers, and clears them again.
class Forms {
public:
    Forms();
    ~Forms();
    Forms(const Forms&) = delete;
    Forms& operator=(const Forms&) = delete;

private:
    std::unique_ptr<TMainForm> main_;
    std::unique_ptr<TAboutForm> about_;
    std::unique_ptr<TOptionsForm> options_;
};

} // namespace harbex
