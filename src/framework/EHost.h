#pragma once

// The host application an instance runs in, identified from its self-reported name.
// 10, 11 and 19 are unassigned.
enum EHost
{
  kHostUninit = -1,  // not yet identified
  kHostUnknown = 0,  // identified, but not a host in this list
  kHostReaper = 1,
  kHostProTools = 2,
  kHostCubase = 3,
  kHostNuendo = 4,
  kHostSonar = 5,
  kHostVegas = 6,
  kHostFL = 7,
  kHostSamplitude = 8,
  kHostAbletonLive = 9,
  kHostMelodyneStudio = 12,
  kHostVSTScanner = 13,
  kHostAULab = 14,
  kHostForte = 15,
  kHostChainer = 16,
  kHostAudition = 17,
  kHostOrion = 18,
  kHostSAWStudio = 20,
  kHostLogic = 21,
  kHostGarageBand = 22,
  kHostDigitalPerformer = 23,
  kHostStandalone = 24,
  kHostAudioMulch = 25,
  kHostStudioOne = 26,
  kHostVST3TestHost = 27,
  kHostArdour = 28,
  kHostRenoise = 29,
  kHostOpenMPT = 30
};

// The host for a host's self-reported name: a case-insensitive search for known
// substrings in a fixed order (the first found wins); kHostUnknown when none is found
// or the name is null. Names longer than 263 characters are searched in their first
// 263 characters.
EHost LookUpHost(const char* hostName);

// Writes the host's display name ("Unknown" for unassigned values) into out, which
// must hold at least 19 bytes.
void GetHostNameStr(EHost host, char* out);
