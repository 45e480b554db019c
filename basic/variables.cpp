#include "basic/variables.h"

std::size_t TVariableNames::slot(TVariableKind kind, const std::string& name)
{
    auto& slots = m_slots[static_cast<int>(kind)];
    return slots.try_emplace(name, slots.size()).first->second;
}

std::size_t TVariableNames::count(TVariableKind kind) const
{
    return m_slots[static_cast<int>(kind)].size();
}

TVariables::TVariables(const TVariableNames& names)
    : numbers(names.count(TVariableKind::number))
    , texts(names.count(TVariableKind::text))
    , numberarrays(names.count(TVariableKind::numberarray))
    , textarrays(names.count(TVariableKind::textarray))
{
}
