#pragma once

#include <cstddef>

// Where the running module's files are: the one place that turns a module file into its
// bundle folder and a resource name into a file path.
//
// A module (the plug-in's shared object, or a program such as a test or a tool) at
// NAME.vst3/Contents/<arch>/NAME.so belongs to the bundle NAME.vst3, whose resources are in
// NAME.vst3/Contents/Resources/. Any other module stands for a bundle of its own: the folder
// that holds the file, which then also holds its resources.
//
// Paths are file-system paths without a trailing slash (the root is "/"). Functions that
// write a path put a terminated string into out (size bytes with the terminator) and return
// false, with out empty (when out is usable), for a null argument or a result that does not
// fit. Thread-safe.

// The bundle folder of the module file at modulePath (symbolic links resolved when the file
// exists). A relative path without a folder gives false.
bool Core_BundleFolderOf(const char* modulePath, char* out, size_t size);
// True when folder is a NAME.vst3 bundle folder.
bool Core_IsBundleFolder(const char* folder);
// The resource folder of a bundle folder: <bundle>/Contents/Resources for a NAME.vst3
// folder, else the folder itself.
bool Core_ResourceFolderOf(const char* bundleFolder, char* out, size_t size);
// <resource folder of bundleFolder>/<last path component of name>; false as well for a name
// that ends in a slash.
bool Core_ResourcePathOf(const char* bundleFolder, const char* name, char* out, size_t size);

// The module that holds this code, found once (dladdr): its file, bundle folder and
// resource folder; "" when it cannot be found. The strings live as long as the module.
const char* Core_ModuleFile();
const char* Core_ModuleBundleFolder();
const char* Core_ModuleResourceFolder();
bool Core_ModuleIsInBundle();
// Core_ResourcePathOf(Core_ModuleBundleFolder(), name, ...).
bool Core_ModuleResourcePath(const char* name, char* out, size_t size);

// Tells the user on stderr that a resource the module needs cannot be loaded:
// "<module file name>: missing resource <what>". Each text is reported once per module
// load; true when this call printed.
bool Core_ReportMissingResource(const char* what);
