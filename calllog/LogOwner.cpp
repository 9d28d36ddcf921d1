#include "calllog/LogOwner.h"

#include "platform/InstancePipe.h"
#include "platform/UserMessage.h"

std::atomic<bool> g_bLogOwner{false};

bool InstancePipeExists() {
    return platform::InstancePipeExists(1000);
}

void ClaimLogOwnership() {
    int error = 0;
    switch (platform::CreateInstancePipe(error)) {
    case platform::PipeResult::Created:
    case platform::PipeResult::Unsupported: // nothing to tell: the role is ours regardless
        break;
    case platform::PipeResult::Failed:
        platform::TellUser(
            QString::fromUtf8("Impossible de créer le pipe. LastError : %1").arg(error));
        break;
    case platform::PipeResult::AlreadyExists:
        platform::TellUser(QString::fromUtf8("Erreur : pipe déjà existant."));
        break;
    }
    // Even without the pipe this copy writes the call log.
    g_bLogOwner.store(true);
}
