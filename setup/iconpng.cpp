// Build step: writes the 32x32 icon as a PNG, scaled up without smoothing,
// for the desktop entry. Usage: iconpng <out.png> <size>
#include <cstdlib>

#include <wx/image.h>
#include <wx/init.h>

#include "setup/voltari_icon.xpm"

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    wxInitializer init;
    if (!init.IsOk())
        return 1;
    wxImage::AddHandler(new wxPNGHandler);
    wxImage image(voltari_icon_32);
    const int size = std::atoi(argv[2]);
    if (!image.IsOk() || size < 32)
        return 1;
    image.Rescale(size, size, wxIMAGE_QUALITY_NEAREST);
    return image.SaveFile(argv[1], wxBITMAP_TYPE_PNG) ? 0 : 1;
}
