// What every test that sends on the virtual LAN starts with: Winsock for its suite, and a
// refusal to go on unless this computer is on the LAN's scanner adapter (tools/virtual-lan.sh
// exec with tools/lan-env.sh), so that nothing is ever sent anywhere else.
#pragma once

#include "scan/LocalNetwork.h"

#include <gtest/gtest.h>

class CLanTest : public testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();

    // The network discovery finds, into `network`; a fatal failure (the test body does not
    // run) when it is not the LAN's. The caller returns at once when HasFatalFailure().
    void OnTheLansAdapter(LocalNetworkRecord& network) const;

private:
    static bool s_WinsockStarted;
};
