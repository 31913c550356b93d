#pragma once

// Per-instance information handed from the module's factory to an effect's
// constructor. Empty: nothing instance-specific is needed on this platform.
struct IEffectInstanceInfo
{
};
