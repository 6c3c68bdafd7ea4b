#pragma once
// A windowless control: it draws through its canvas onto a surface of its own
// size laid over its parent, so what it draws is clipped to its bounds and
// the parent shows wherever it draws nothing. The surface keeps the picture,
// so being covered and uncovered needs no redraw; Paint runs when the window
// system first shows the control or after its size changed.
#include "platform/vcl/forms/TControl.h"
#include "platform/win/gdi/WinGdi.h"
#include <memory>

class TCanvas;

class TGraphicControl : public TControl {
public:
    explicit TGraphicControl(TComponent* owner);
    ~TGraphicControl() override;

    // Drawing on it shows at the next chance.
    TCanvas* Canvas();

    TNotifyEvent OnPaint;

    // For the binding: the surface (a device-dependent bitmap) and the
    // window system's request to paint.
    HBITMAP Surface() const { return m_surface; }
    void WidgetPaint();

protected:
    virtual void Paint();
    void Resize() override;

private:
    void EnsureSurface();
    void ReleaseSurface();

    std::unique_ptr<TCanvas> m_canvas;
    HDC m_dc { nullptr };
    HBITMAP m_surface { nullptr };
    HGDIOBJ m_previous { nullptr };
    bool m_needsPaint { true };
    bool m_painting { false };
};
