#pragma once
// The form builder's base, without state or operations of its own: forms are built from field
// layouts (afLayoutField).

class afFormFactory {
public:
    virtual ~afFormFactory() = default;
};
