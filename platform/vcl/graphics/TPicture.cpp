#include "platform/vcl/graphics/TPicture.h"

TPicture::~TPicture()
{
    if (m_bitmap)
        m_bitmap->OnChange = nullptr;
}

TBitmap* TPicture::Make()
{
    if (!m_bitmap) {
        m_bitmap = std::make_unique<TBitmap>();
        m_bitmap->OnChange = [this](TObject*) { BitmapChanged(); };
    }
    return m_bitmap.get();
}

TBitmap* TPicture::Bitmap()
{
    return Make();
}

void TPicture::BitmapChanged()
{
    if (OnChange)
        OnChange(this);
}

void TPicture::SetBitmap(const TBitmap* bitmap)
{
    Make()->Assign(bitmap);
}

void TPicture::Assign(const TPicture* source)
{
    if (source == this)
        return;
    if (!source || !source->m_bitmap) {
        if (m_bitmap) {
            m_bitmap->OnChange = nullptr;
            m_bitmap.reset();
            BitmapChanged();
        }
        return;
    }
    Make()->Assign(*source->m_bitmap);
}

void TPicture::Assign(const TPicture& source)
{
    Assign(&source);
}

void TPicture::SaveToFile(const AnsiString& fileName) const
{
    if (HasImage())
        m_bitmap->SaveToFile(fileName);
}

void TPicture::LoadFromFile(const AnsiString& fileName)
{
    Make()->LoadFromFile(fileName);
}
