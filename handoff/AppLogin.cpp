#include "handoff/AppLogin.h"

#include <cstdio>

#include "handoff/LaunchArgs.h"
#include "handoff/LoginLog.h"
#include "handoff/LoginPayload.h"
#include "platform/TextCodec.h"

void HandleAppLogin(const std::u16string& json, const CHandoffSequence& handoff) {
    CLoginLog log;
    // Every payload is logged before it is parsed, valid or not.
    const std::string narrowJson = Narrow(json);
    log.WriteEntry(narrowJson);

    const PayloadResult payload = ParseLoginPayload(narrowJson);
    if (!payload.fields) {
        std::fprintf(stderr, "login-launcher: AppLogin payload ignored: %s\n",
                     payload.problem.c_str());
        return;
    }
    const LoginFields& f = *payload.fields;
    const std::u16string tail =
        BuildCredentialTail(Widen(f.token), Widen(f.serverId), Widen(f.other), Widen(f.sign));
    log.WriteEntry(Narrow(tail));

    handoff.Run(BuildLaunchArgs(Widen(f.uid), tail));
}
