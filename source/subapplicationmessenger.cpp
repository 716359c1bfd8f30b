#include "source/subapplicationmessenger.h"

#include "source/launchermessaging.h"

namespace {

// The launcher's messaging component.
class LauncherMessenger final : public SubApplicationMessenger
{
public:
    bool isRunning(SubApplication::Id id) override
    {
        return id == SubApplication::Organizer ? LauncherMessaging::isOrganizerRunning()
                                               : LauncherMessaging::isEditorRunning();
    }
    QString status(SubApplication::Id id) override
    {
        return id == SubApplication::Organizer ? LauncherMessaging::organizerStatus()
                                               : LauncherMessaging::editorStatus();
    }
    void send(SubApplication::Id id, const QString &script) override
    {
        if (id == SubApplication::Organizer)
            LauncherMessaging::sendToOrganizer(script);
        else
            LauncherMessaging::sendToEditor(script);
    }
    void flushOutgoing() override { LauncherMessaging::flushOutgoing(); }
    void bringOrganizerToFront() override { LauncherMessaging::bringOrganizerToFront(); }
    bool isInstalled(const QByteArray &target) override
    {
        if (target == LauncherMessaging::kMotivaSpecifier)
            return LauncherMessaging::isMotivaInstalled();
        if (target == LauncherMessaging::kEditorSpecifier)
            return LauncherMessaging::isEditorInstalled();
        return false;
    }
};

SubApplicationMessenger *& override()
{
    static SubApplicationMessenger *messenger = nullptr;
    return messenger;
}

} // namespace

SubApplicationMessenger::~SubApplicationMessenger() = default;

SubApplicationMessenger &SubApplicationMessenger::current()
{
    static LauncherMessenger launcher;
    if (SubApplicationMessenger *set = override())
        return *set;
    return launcher;
}

void SubApplicationMessenger::setCurrent(SubApplicationMessenger *messenger)
{
    override() = messenger;
}
