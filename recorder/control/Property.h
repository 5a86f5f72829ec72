// The properties of the table (aurx/PropertyTable.h) by name, for the library's own code:
// Property::SampleRate names a row, PropertyRow<P> (PropertyRows.h) holds its columns.
#pragma once

#include <cstddef>

#include "aurx/AURX300Ctrl.h"

namespace aurx {

enum class Property {
#define AURX_NAME(Name, ...) Name,
    AURX_PROPERTIES(AURX_NAME)
#undef AURX_NAME
};

inline constexpr std::size_t kPropertyCount = 0
#define AURX_COUNT(...) +1
    AURX_PROPERTIES(AURX_COUNT);
#undef AURX_COUNT

enum class PropertyAccess { ReadWrite, ReadOnly, ReadAndClear, Indexed };

template <Property P>
struct PropertyRow;

// The property's type, as its getter gives it.
template <Property P>
using PropertyValue = typename PropertyRow<P>::Value;

}  // namespace aurx
