#include "vst3/sdk/ModuleEntry.h"

#include "core/Core_Bundle.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

struct ModuleBundle
{
	std::atomic<int> refCount;
	bool isMain; ///< the module's own record: never freed
	char path[2048];
};

ModuleBundleRef moduleHandle = nullptr;
ModuleBundleRef ghInst = nullptr;
char gPath[2048] = {};

namespace {

// Bundle bookkeeping, shared by all threads that may enter or leave the module.
std::mutex& BundleMutex ()
{
	static std::mutex m;
	return m;
}

int bundleRefCounter = 0;
// Kept references; grows by doubling (the host rarely enters more than once).
ModuleBundleRef* gBundleRefs = nullptr;
int gBundleRefCount = 0;
int gBundleRefCapacity = 0;

bool AppendBundleRef (ModuleBundleRef ref)
{
	if (gBundleRefCount == gBundleRefCapacity)
	{
		int capacity = gBundleRefCapacity ? gBundleRefCapacity * 2 : 4;
		void* grown = std::realloc (gBundleRefs, sizeof (ModuleBundleRef) * capacity);
		if (!grown)
			return false;
		gBundleRefs = static_cast<ModuleBundleRef*> (grown);
		gBundleRefCapacity = capacity;
	}
	gBundleRefs[gBundleRefCount++] = ref;
	return true;
}

bool CopyString (char* out, size_t size, const char* s)
{
	size_t n = std::strlen (s);
	if (n + 1 > size)
		return false;
	std::memcpy (out, s, n + 1);
	return true;
}

} // namespace

bool ModuleBundlePathForModule (const char* modulePath, char* out, int size)
{
	if (!out || size <= 0)
		return false;
	return Core_BundleFolderOf (modulePath, out, static_cast<size_t> (size));
}

ModuleBundleRef ModuleBundleGetMain ()
{
	static ModuleBundle* main = [] {
		static ModuleBundle record;
		record.refCount.store (1);
		record.isMain = true;
		CopyString (record.path, sizeof (record.path), Core_ModuleBundleFolder ());
		return &record;
	}();
	return main;
}

ModuleBundleRef ModuleBundleCreate (const char* path)
{
	if (!path || !path[0] || std::strlen (path) >= sizeof (ModuleBundle::path))
		return nullptr;
	auto* ref = new (std::nothrow) ModuleBundle;
	if (!ref)
		return nullptr;
	ref->refCount.store (1);
	ref->isMain = false;
	CopyString (ref->path, sizeof (ref->path), path);
	return ref;
}

void ModuleBundleRetain (ModuleBundleRef ref)
{
	if (ref)
		ref->refCount.fetch_add (1);
}

void ModuleBundleRelease (ModuleBundleRef ref)
{
	if (!ref)
		return;
	if (ref->refCount.fetch_sub (1) == 1 && !ref->isMain)
		delete ref;
}

int ModuleBundleGetRetainCount (ModuleBundleRef ref)
{
	return ref ? ref->refCount.load () : 0;
}

const char* ModuleBundleGetPath (ModuleBundleRef ref)
{
	return ref ? ref->path : "";
}

bool ModuleBundleGetResourcePath (ModuleBundleRef ref, const char* name, char* out, int size)
{
	if (!out || size <= 0)
		return false;
	out[0] = '\0';
	if (!ref || !name || !ref->path[0])
		return false;
	return Core_ResourcePathOf (ref->path, name, out, static_cast<size_t> (size));
}

int GetBundleRefCounter ()
{
	std::lock_guard<std::mutex> lock (BundleMutex ());
	return bundleRefCounter;
}

bool InitModule ()
{
	return true;
}

bool DeinitModule ()
{
	return true;
}

extern "C" {

bool bundleEntry (ModuleBundleRef ref)
{
	if (ref)
	{
		std::lock_guard<std::mutex> lock (BundleMutex ());
		if (!AppendBundleRef (ref))
			return false;
		++bundleRefCounter;
		ModuleBundleRetain (ref);
		if (!moduleHandle)
		{
			moduleHandle = ref;
			ghInst = ref;
			CopyString (gPath, sizeof (gPath), ref->path);
		}
	}
	return InitModule ();
}

bool bundleExit ()
{
	if (!DeinitModule ())
		return false;
	std::lock_guard<std::mutex> lock (BundleMutex ());
	if (bundleRefCounter <= 0)
		return false;
	if (--bundleRefCounter == 0)
	{
		for (int i = 0; i < gBundleRefCount; ++i)
			ModuleBundleRelease (gBundleRefs[i]);
		// Nothing is kept any more: give the list back, the module may be unloaded next.
		std::free (gBundleRefs);
		gBundleRefs = nullptr;
		gBundleRefCount = 0;
		gBundleRefCapacity = 0;
		// The records just released may be gone: nothing may name them any more. A later
		// bundleEntry starts again from its own first bundle.
		moduleHandle = nullptr;
		ghInst = nullptr;
		gPath[0] = '\0';
	}
	return true;
}

bool ModuleEntry (void* /*sharedLibraryHandle*/)
{
	return bundleEntry (ModuleBundleGetMain ());
}

bool ModuleExit ()
{
	return bundleExit ();
}

} // extern "C"
