#include "platform/vcl/forms/TBitBtn.h"

TBitBtn::TBitBtn(TComponent* owner)
    : TButton(owner)
{
}

void TBitBtn::SetGlyph(const TPicture& glyph)
{
    m_glyph.Assign(glyph);
    if (m_binding)
        m_binding->SetPicture(&m_glyph, false);
}

void TBitBtn::ReplayState()
{
    TButton::ReplayState();
    m_binding->SetPicture(&m_glyph, false);
}
