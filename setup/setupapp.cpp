// The setup tool: one modal dialog, then the program ends.
#include <wx/app.h>

#include "setup/setupdialog.h"

class SetupApp : public wxApp {
public:
    // Runs the dialog; the command line is not looked at.
    bool OnInit() override
    {
        auto* dialog = new SetupDialog(nullptr);
        SetTopWindow(dialog);
        dialog->ShowModal();
        dialog->Destroy();
        return true;
    }
    // No message loop of its own: the dialog has closed by now.
    int OnRun() override { return 0; }
};

wxIMPLEMENT_APP(SetupApp);
