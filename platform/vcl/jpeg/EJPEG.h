#pragma once
// Raised by TJPEGImage: bad settings, an empty image, or an error reported by
// the JPEG codec (its own message follows "JPEG error: ").
#include "platform/rtl/Exceptions.h"

class EJPEG : public Exception {
public:
    using Exception::Exception;
};
