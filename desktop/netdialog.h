// The network game's dialog, opened from the desktop entry's actions: host
// (this machine's addresses and the port to give a friend, then wait for
// them) or join (the host's address, remembered). It starts the game through
// the launcher and shows what the game says until play begins; then it
// hides and passes the game's lines on until the game ends.
#pragma once

#include <string>

#include <wx/dialog.h>
#include <wx/timer.h>

#include "desktop/netlogic.h"

class wxButton;
class wxRadioBox;
class wxSpinCtrl;
class wxStaticText;
class wxTextCtrl;

enum class NetDialogMode { Host, Join };

class NetDialog : public wxDialog {
public:
    NetDialog(NetDialogMode mode, const std::string& launcher);

    // The program's exit status once the dialog is gone: the game's, when
    // one was played.
    int exitStatus() const { return exitStatus_; }

private:
    void showInvite();
    void start(const char* option, const std::string& where);
    bool throughRelay() const;
    void onWayChanged(wxCommandEvent& event);
    void setStatus(const std::string& text);
    void setRunning(bool running);
    void finish(int status);

    void onHost(wxCommandEvent& event);
    void onJoin(wxCommandEvent& event);
    void onWatch(wxCommandEvent& event);
    void onAnyone(wxCommandEvent& event);
    void onCancel(wxCommandEvent& event);
    void onClose(wxCloseEvent& event);
    void onPortChanged(wxCommandEvent& event);
    void onTimer(wxTimerEvent& event);

    NetDialogMode mode_;
    std::string launcher_;
    wxSpinCtrl* port_ = nullptr;      // host
    wxTextCtrl* invite_ = nullptr;    // host
    wxTextCtrl* address_ = nullptr;   // join: the host's address, or the room's code
    wxRadioBox* way_ = nullptr;       // on this network, or through a relay
    wxTextCtrl* relay_ = nullptr;     // the relay's URL (remembered)
    wxStaticText* addressLabel_ = nullptr;
    wxStaticText* status_ = nullptr;
    wxButton* cancel_ = nullptr;
    wxButton* anyone_ = nullptr;      // through a relay: play anyone waiting there
    wxTimer timer_;
    GameRun game_;
    bool running_ = false;
    bool playing_ = false;    // play began: the dialog is hidden
    std::string shownCode_;   // the room code the invitation shows
    bool cancelled_ = false;  // the player stopped the game from here
    bool closing_ = false;    // the player closed the dialog while the game ran
    int exitStatus_ = 0;
};
