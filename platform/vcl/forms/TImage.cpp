#include "platform/vcl/forms/TImage.h"

TImage::TImage(TComponent* owner)
    : TControl(owner)
{
    m_picture.OnChange = [this](TObject*) { PictureChanged(); };
}

TImage::~TImage()
{
    m_picture.OnChange = nullptr;
}

void TImage::SetStretch(bool stretch)
{
    if (m_stretch == stretch)
        return;
    m_stretch = stretch;
    PictureChanged();
}

void TImage::PictureChanged()
{
    if (m_binding)
        m_binding->SetPicture(&m_picture, m_stretch);
}

void TImage::ReplayState()
{
    TControl::ReplayState();
    m_binding->SetPicture(&m_picture, m_stretch);
}
