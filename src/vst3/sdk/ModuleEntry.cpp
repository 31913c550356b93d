#include "vst3/sdk/ModuleEntry.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <limits.h>
#include <mutex>
#include <new>
#include <stdlib.h>

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

// Cuts the last path component (and its slash) off path; false when there is none.
bool StripLastComponent (char* path, char* lastOut, size_t lastSize)
{
	char* slash = std::strrchr (path, '/');
	if (!slash)
		return false;
	if (lastOut && !CopyString (lastOut, lastSize, slash + 1))
		return false;
	*slash = '\0';
	if (path[0] == '\0')
	{
		path[0] = '/';
		path[1] = '\0';
	}
	return true;
}

bool EndsWith (const char* s, const char* suffix)
{
	size_t n = std::strlen (s), m = std::strlen (suffix);
	return n >= m && std::strcmp (s + n - m, suffix) == 0;
}

// The bundle folder for the module file at modulePath, written into out.
void BundlePathForModule (const char* modulePath, char* out, size_t size)
{
	out[0] = '\0';
	char path[PATH_MAX + 1];
	if (!realpath (modulePath, path) && !CopyString (path, sizeof (path), modulePath))
		return;

	char dir[PATH_MAX + 1];
	std::memcpy (dir, path, sizeof (dir));
	if (!StripLastComponent (dir, nullptr, 0))
		return;
	// NAME.vst3/Contents/<arch>/NAME.so: the bundle is two folders further up.
	char bundle[PATH_MAX + 1];
	char arch[256], contents[256];
	std::memcpy (bundle, dir, sizeof (bundle));
	if (StripLastComponent (bundle, arch, sizeof (arch)) &&
	    StripLastComponent (bundle, contents, sizeof (contents)) &&
	    std::strcmp (contents, "Contents") == 0 && EndsWith (bundle, ".vst3"))
	{
		CopyString (out, size, bundle);
		return;
	}
	CopyString (out, size, dir);
}

} // namespace

ModuleBundleRef ModuleBundleGetMain ()
{
	static ModuleBundle* main = [] {
		static ModuleBundle record;
		record.refCount.store (1);
		record.isMain = true;
		Dl_info info {};
		if (dladdr (reinterpret_cast<void*> (&ModuleBundleGetMain), &info) && info.dli_fname)
			BundlePathForModule (info.dli_fname, record.path, sizeof (record.path));
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
	const char* slash = std::strrchr (name, '/');
	const char* last = slash ? slash + 1 : name;
	if (!last[0])
		return false;
	const char* sep = EndsWith (ref->path, "/") ? "" : "/";
	size_t need = std::strlen (ref->path) + std::strlen (sep) + std::strlen ("Contents/Resources/") +
	              std::strlen (last) + 1;
	if (need > static_cast<size_t> (size))
		return false;
	std::strcpy (out, ref->path);
	std::strcat (out, sep);
	std::strcat (out, "Contents/Resources/");
	std::strcat (out, last);
	return true;
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
		gBundleRefCount = 0;
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
