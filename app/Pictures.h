#pragma once
// The window's pictures, drawn in code: the programme icon, the group icons,
// the page placeholders, the mode pictures and the button glyphs.
class TPicture;

void DrawProgramIcon(TPicture& picture);
void DrawPreviewIcon(TPicture& picture);
void DrawScannerIcon(TPicture& picture);
void DrawPrinterIcon(TPicture& picture);
void DrawCopiesIcon(TPicture& picture);
void DrawOrientationIcon(TPicture& picture, bool landscape);
// A white sheet of 32 by 50 pixels with a large page number.
void DrawPlaceholder(TPicture& picture, int page);
// "1 -> 1": one sheet onto one; "2 -> 1": two sheets onto one.
void DrawModePicture(TPicture& picture, int pages);
void DrawPlusGlyph(TPicture& picture);
void DrawMinusGlyph(TPicture& picture);
// A printer with the word COPY.
void DrawCopyGlyph(TPicture& picture);
// An open door.
void DrawDoorGlyph(TPicture& picture);
