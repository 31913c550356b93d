#pragma once

// Module entry of the Linux VST 3 module.
//
// Hosts call ModuleEntry(handle) after loading the shared object and ModuleExit() before
// unloading it. bundleEntry/bundleExit keep the reference-counted bundle bookkeeping that a
// bundle-based module does: on Linux the bundle reference is a small ModuleBundle record
// holding the file-system path of the bundle folder (NAME.vst3), found with dladdr.
// ModuleEntry passes the module's own bundle to bundleEntry; ModuleExit calls bundleExit.

/** A bundle reference: opaque, reference-counted. */
struct ModuleBundle;
using ModuleBundleRef = ModuleBundle*;

/** The bundle this module was loaded from (Core_ModuleBundleFolder). The record lives as
    long as the module. */
ModuleBundleRef ModuleBundleGetMain ();
/** The bundle folder of the module file at modulePath, written into out (size bytes):
    Core_BundleFolderOf. False (out empty) when nothing fits. */
bool ModuleBundlePathForModule (const char* modulePath, char* out, int size);
/** A new record for the given bundle path (null when path is null, empty or longer than
    2047 bytes, or on allocation failure), holding one reference. */
ModuleBundleRef ModuleBundleCreate (const char* path);
void ModuleBundleRetain (ModuleBundleRef ref);
/** Drops one reference; a created record is freed with its last one. The main bundle is
    never freed. */
void ModuleBundleRelease (ModuleBundleRef ref);
int ModuleBundleGetRetainCount (ModuleBundleRef ref);
/** The bundle folder's path ("" for null). */
const char* ModuleBundleGetPath (ModuleBundleRef ref);
/** Writes the path of the resource name of the bundle into out (size bytes with the
    terminator): Core_ResourcePathOf. False, with out empty, for null arguments or when it
    does not fit. */
bool ModuleBundleGetResourcePath (ModuleBundleRef ref, const char* name, char* out, int size);

/** Module-wide state, set by the first bundleEntry and cleared by the last bundleExit, which
    releases the records they name. */
extern ModuleBundleRef moduleHandle; ///< first bundle reference received, or null
extern ModuleBundleRef ghInst;       ///< same value as moduleHandle
extern char gPath[2048];             ///< path of that bundle ("" without one)
/** Number of bundleEntry calls (with a non-null bundle) not yet matched by bundleExit. */
int GetBundleRefCounter ();

/** Hooks run by every bundleEntry / bundleExit; they do nothing and succeed. */
bool InitModule ();
bool DeinitModule ();

extern "C" {
/** Takes a reference on ref (when non-null) and keeps it until the last bundleExit; the
    first bundle received while none is kept becomes moduleHandle/ghInst and gives gPath.
    Returns InitModule(). */
__attribute__ ((visibility ("default"))) bool bundleEntry (ModuleBundleRef ref);
/** Runs DeinitModule() (false: returns false at once). Returns false when no bundleEntry is
    outstanding; the last outstanding call releases every kept reference and clears
    moduleHandle, ghInst and gPath. */
__attribute__ ((visibility ("default"))) bool bundleExit ();
/** Linux host entry: bundleEntry with this module's own bundle. The handle is not used. */
__attribute__ ((visibility ("default"))) bool ModuleEntry (void* sharedLibraryHandle);
/** Linux host exit: bundleExit(). */
__attribute__ ((visibility ("default"))) bool ModuleExit ();
}
