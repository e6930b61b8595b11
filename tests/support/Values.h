#pragma once

#include "data/Engine.h"

#include <cstdint>
#include <string>

namespace varnett::testing {

// Values as an engine delivers them.
inline data::Value integerValue(std::int64_t n)
{
    data::Value v;
    v.kind = data::Value::Kind::Integer;
    v.integer = n;
    return v;
}

inline data::Value realValue(double d)
{
    data::Value v;
    v.kind = data::Value::Kind::Real;
    v.real = d;
    return v;
}

inline data::Value textValue(std::string s)
{
    data::Value v;
    v.kind = data::Value::Kind::Text;
    v.bytes = std::move(s);
    return v;
}

inline data::Value blobValue(std::string s)
{
    data::Value v;
    v.kind = data::Value::Kind::Blob;
    v.bytes = std::move(s);
    return v;
}

} // namespace varnett::testing
