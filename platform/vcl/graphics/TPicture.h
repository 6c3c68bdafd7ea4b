#pragma once
// The picture of an image control: holds a bitmap, made when first asked for.
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/TComponent.h"
#include "platform/vcl/graphics/TBitmap.h"
#include <memory>

class TPicture : public TObject {
public:
    TPicture() = default;
    ~TPicture() override;

    // The picture's bitmap; a picture that has none gets an empty one now.
    TBitmap* Bitmap();
    // True when the picture holds an image (a bitmap that is not empty).
    bool HasImage() const { return m_bitmap && !m_bitmap->Empty(); }
    void SetBitmap(const TBitmap* bitmap);
    void Assign(const TPicture& source);
    void Assign(const TPicture* source);

    int Width() const { return m_bitmap ? m_bitmap->Width() : 0; }
    int Height() const { return m_bitmap ? m_bitmap->Height() : 0; }

    // Writes the image as a 24-bit uncompressed BMP; a picture without an
    // image writes nothing. The file is replaced as a whole or not at all.
    void SaveToFile(const AnsiString& fileName) const;
    void LoadFromFile(const AnsiString& fileName);

    TNotifyEvent OnChange;

private:
    void BitmapChanged();
    TBitmap* Make();

    std::unique_ptr<TBitmap> m_bitmap;
};
