// voltari-net: the network game's dialog. The launcher runs it as
//   voltari-net host|join LAUNCHER
// and the dialog starts the game through LAUNCHER. It ends with the game's
// exit status when a game was played, 0 when closed, 2 on a bad command line.
#include <cstdio>
#include <cstring>

#include <wx/app.h>

#include "desktop/netdialog.h"

class NetDialogApp : public wxApp {
public:
    bool OnInit() override
    {
        if (argc != 3 || (argv[1] != "host" && argv[1] != "join")) {
            std::fprintf(stderr, "usage: voltari-net host|join LAUNCHER\n");
            status_ = 2;
            return false;
        }
        dialog_ = new NetDialog(argv[1] == "host" ? NetDialogMode::Host : NetDialogMode::Join,
                                argv[2].ToStdString());
        dialog_->Bind(wxEVT_DESTROY, [this](wxWindowDestroyEvent& event) {
            if (event.GetEventObject() == dialog_)
                status_ = dialog_->exitStatus();
            event.Skip();
        });
        SetTopWindow(dialog_);
        dialog_->Show();
        return true;
    }
    // The message loop runs until the dialog is gone, hidden or not.
    int OnRun() override
    {
        wxApp::OnRun();
        return status_;
    }
    int OnExit() override { return status_; }

private:
    NetDialog* dialog_ = nullptr;
    int status_ = 0;
};

wxIMPLEMENT_APP(NetDialogApp);
