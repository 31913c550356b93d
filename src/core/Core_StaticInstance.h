#pragma once

#include <new>

// The one T of the module, built on first use inside the module's own static storage and
// never destroyed: it stays usable while other static destructors run when the module
// unloads, and unloading gives its memory back with the module image (a heap object
// would be lost with every load and unload of the plug-in).
template <class T>
T& Core_StaticInstance()
{
  alignas(T) static unsigned char storage[sizeof(T)];
  static T* instance = new (storage) T;
  return *instance;
}
