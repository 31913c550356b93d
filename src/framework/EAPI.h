#pragma once

// The plug-in interface an instance is presented through.
enum EAPI
{
  kAPIVST2 = 0,
  kAPIVST3 = 1,
  kAPIAU = 2,
  kAPIRTAS = 3,
  kAPIAAX = 4,
  kAPISA = 5,  // standalone application
  kAPILV2 = 6
};
