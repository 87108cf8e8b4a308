// Screen pictures: the toolkit grabs a control or panel as 32-bit pixels, the
// JPEG writer compresses them.
#include "export/graph_picture.h"

#include <string>

#include "jpeg/jpg_save.h"
#include "ui/ui.h"

int Jpg_SavePanelControlToFile(int panel, int control, const char* fileName, int quality) {
    UiImage image;
    const int grabbed =
        control != 0 ? GetCtrlImage(panel, control, &image) : GetPanelImage(panel, &image);
    if (grabbed != 0 || image.width <= 0 || image.height <= 0) {
        MessagePopup("Save Picture", "The picture could not be taken from the screen.");
        return 1;
    }
    std::string error;
    // The pixels are 0xAARRGGBB words, which the writer takes as depth 32.
    const int status = Jpg_SaveBitmapToFile(
        reinterpret_cast<const unsigned char*>(image.pixels.data()), 4 * image.width, 32,
        image.width, image.height, fileName, quality, &error);
    if (status != 0) {
        MessagePopup("Save Picture", ("The picture could not be saved:\n" + error).c_str());
        return 1;
    }
    return 0;
}
