// Saving the one-page preview to an image file instead of printing it.
#include "app/Unit1.h"
#include "platform/vcl/dialogs/TSaveDialog.h"
#include "platform/vcl/jpeg/TJPEGImage.h"
#include <memory>

namespace {

constexpr int kBmpEntry = 2;

} // namespace

void TForm1::SaveCopy()
{
    SaveDialog1->SetTitle("Graphen speichern unter");
    SaveDialog1->SetDefaultExt("jpg");
    SaveDialog1->SetFilter("JPEG-Format|*.jpg|BMP-Format (Windows)|*.bmp");
    SaveDialog1->SetFilterIndex(1);
    // The name is left as it was, so the dialog offers the one chosen last time.
    if (!SaveDialog1->Execute())
        return;

    // The entry chosen decides the format, whatever the name's extension says.
    // Both writers replace the file as a whole: a failed save (disk full,
    // folder not writable) leaves an existing file as it was and raises.
    const AnsiString fileName = SaveDialog1->FileName();
    if (SaveDialog1->FilterIndex() == kBmpEntry) {
        Image2->Picture()->SaveToFile(fileName);
        return;
    }
    // Owned here so that it is released on the error path as well.
    auto jpeg = std::make_unique<TJPEGImage>();
    jpeg->SetProgressiveDisplay(false);
    jpeg->Assign(Image2->Picture()->Bitmap());
    jpeg->SetCompressionQuality(100);
    jpeg->Compress();
    jpeg->SaveToFile(fileName);
}
