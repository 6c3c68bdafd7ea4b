#pragma once
// A button with a picture.
#include "platform/vcl/forms/TButton.h"
#include "platform/vcl/graphics/TPicture.h"

class TBitBtn : public TButton {
public:
    explicit TBitBtn(TComponent* owner);
    // The picture shown on the button (copied).
    TPicture* Glyph() { return &m_glyph; }
    void SetGlyph(const TPicture& glyph);

protected:
    void ReplayState() override;

private:
    TPicture m_glyph;
};
