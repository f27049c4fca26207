// Linked into optedit_probe only, a test build of the setup tool made of the
// very objects optedit is made of. It watches every modal dialog through the
// toolkit's hook and appends to the file named by OPTEDIT_DUMP what X alone
// cannot tell the GUI test: each message box (caption, text, icon) as it
// comes up, and the dialog's layout, ids, texts and check box states as the
// dialog is painted for the first time.
#include <cstdio>
#include <cstdlib>
#include <string>

#include <wx/checkbox.h>
#include <wx/dialog.h>
#include <wx/modalhook.h>
#include <wx/msgdlg.h>

namespace {

std::string escaped(const wxString& text)
{
    std::string out;
    for (char c : std::string(text.utf8_str())) {
        if (c == '\n')
            out += "\\n";
        else if (c == '"' || c == '\\')
            out += std::string("\\") + c;
        else
            out += c;
    }
    return out;
}

FILE* openDump()
{
    const char* path = std::getenv("OPTEDIT_DUMP");
    return path != nullptr && *path != '\0' ? std::fopen(path, "a") : nullptr;
}

// "none" when the box asks the toolkit for no icon, else the icon it gets.
const char* iconOf(long style)
{
    if ((style & wxICON_MASK) == wxICON_NONE)
        return "none";
    if (style & wxICON_ERROR)
        return "error";
    if (style & wxICON_WARNING)
        return "warning";
    if (style & wxICON_QUESTION)
        return "question";
    return "information";  // also the toolkit's choice when none is named
}

void dumpMessage(const wxMessageDialog& box)
{
    if (FILE* dump = openDump()) {
        std::fprintf(dump, "message \"%s\" \"%s\" %s\n", escaped(box.GetCaption()).c_str(),
                     escaped(box.GetMessage()).c_str(), iconOf(box.GetMessageDialogStyle()));
        std::fclose(dump);
    }
}

void dumpDialog(const wxDialog& dialog)
{
    FILE* dump = openDump();
    if (dump == nullptr)
        return;
    const wxSize client = dialog.GetClientSize();
    std::fprintf(dump, "dialog %dx%d \"%s\"\n", client.x, client.y, escaped(dialog.GetTitle()).c_str());
    for (const wxWindow* w : dialog.GetChildren()) {
        const wxRect r = w->GetRect();
        const auto* box = dynamic_cast<const wxCheckBox*>(w);
        std::fprintf(dump, "control %d %d,%d %dx%d %s \"%s\"\n", w->GetId(), r.x, r.y, r.width, r.height,
                     box == nullptr ? "-" : box->GetValue() ? "1" : "0", escaped(w->GetLabel()).c_str());
    }
    std::fclose(dump);
}

class Probe : public wxModalDialogHook {
public:
    Probe() { Register(); }

protected:
    int Enter(wxDialog* dialog) override
    {
        if (const auto* box = dynamic_cast<const wxMessageDialog*>(dialog)) {
            dumpMessage(*box);
        } else {
            // The first paint is the first picture the player sees.
            dialog->Bind(wxEVT_PAINT, [this, dialog](wxPaintEvent& event) {
                if (!painted_) {
                    painted_ = true;
                    dumpDialog(*dialog);
                }
                event.Skip();
            });
        }
        return wxID_NONE;  // show it as usual
    }

private:
    bool painted_ = false;
};

Probe probe;

}  // namespace
