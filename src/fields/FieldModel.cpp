#include "fields/FieldModel.h"

namespace dossiva {

const FieldValue* Record::value(FieldId field) const
{
    for (const auto& [id, value] : values) {
        if (id == field) {
            return &value;
        }
    }
    return nullptr;
}

FieldValue* Record::value(FieldId field)
{
    return const_cast<FieldValue*>(static_cast<const Record*>(this)->value(field));
}

void Record::setValue(FieldId field, FieldValue value)
{
    if (FieldValue* existing = this->value(field)) {
        *existing = std::move(value);
        return;
    }
    values.emplace_back(field, std::move(value));
}

} // namespace dossiva
