#include "source/ptcustomwindowbase.h"

PtCustomWindowBase::PtCustomWindowBase(bool flag)
    : m_flag(flag)
{
}

PtCustomWindowBase::~PtCustomWindowBase() = default;

bool PtCustomWindowBase::customWindowFlag() const
{
    return m_flag;
}
