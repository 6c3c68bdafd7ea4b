#pragma once
// A picture control. Its picture is its own: assigning copies. A change of the
// picture or of its bitmap (a scan arriving in it, say) shows at once.
#include "platform/vcl/forms/TControl.h"
#include "platform/vcl/graphics/TPicture.h"

class TImage : public TControl {
public:
    explicit TImage(TComponent* owner);
    ~TImage() override;

    TPicture* Picture() { return &m_picture; }
    const TPicture* Picture() const { return &m_picture; }
    void SetPicture(const TPicture& picture) { m_picture.Assign(picture); }
    bool Stretch() const { return m_stretch; }
    void SetStretch(bool stretch);

protected:
    void ReplayState() override;

private:
    void PictureChanged();

    TPicture m_picture;
    bool m_stretch { false };
};
