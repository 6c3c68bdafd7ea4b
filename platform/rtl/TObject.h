#pragma once
// The root of the class library's hierarchy. Event handlers receive the sender
// as a TObject*.
class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;
};

