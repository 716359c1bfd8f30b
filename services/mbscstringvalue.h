#pragma once

#include "services/mbscbaseimpl.h"
#include "services/mbsstringvalue.h"

#include <string>

namespace MBS {

// A string value object holding a fixed 8-bit text.
class CStringValue : public CBaseImpl<StringValue, kCodeString>
{
public:
    // A new object with count 1, or null when allocation fails.
    static CStringValue *create(const std::string &text);

    Result getValue(char *buffer, uint32_t *size) override;

protected:
    explicit CStringValue(const std::string &text);
    ~CStringValue() override;

private:
    const std::string m_text;
};

} // namespace MBS
