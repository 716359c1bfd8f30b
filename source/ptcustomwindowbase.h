#pragma once

// Mix-in of every custom top-level window of the launcher: it carries one boolean fixed at
// construction, which the chrome widgets of the window can ask for. The main window gives false.
class PtCustomWindowBase
{
public:
    explicit PtCustomWindowBase(bool flag);
    virtual ~PtCustomWindowBase();

    virtual bool customWindowFlag() const;

private:
    bool m_flag;
};
