#include "vst3/sdk/CPluginFactory.h"

#include "pluginterfaces/base/fstrdefs.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace Steinberg {

IPluginFactory* gPluginFactory = nullptr;

namespace {

// Bounded copy into a fixed-width field that always leaves the rest of the field zero.
template <typename T>
void copyField (T* dest, const T* src, uint32 size)
{
	memset (dest, 0, size * sizeof (T));
	if (!src)
		return;
	for (uint32 i = 0; i + 1 < size && src[i]; ++i)
		dest[i] = src[i];
}

void narrowField (char8* dest, const char16* src, uint32 size)
{
	memset (dest, 0, size);
	if (!src)
		return;
	for (uint32 i = 0; i + 1 < size && src[i]; ++i)
		dest[i] = src[i] < 0x80 ? static_cast<char8> (src[i]) : '?';
}

} // namespace

CPluginFactory::CPluginFactory (const PFactoryInfo& info)
: refCount (1), factoryInfo (info), classes (nullptr), classCount (0), maxClassCount (0)
{
}

CPluginFactory::~CPluginFactory ()
{
	if (gPluginFactory == this)
		gPluginFactory = nullptr;
	std::free (classes);
}

tresult PLUGIN_API CPluginFactory::queryInterface (const TUID iid, void** obj)
{
	if (!obj)
		return kInvalidArgument;
	if (FUnknownPrivate::iidEqual (iid, IPluginFactory3::iid))
		*obj = static_cast<IPluginFactory3*> (this);
	else if (FUnknownPrivate::iidEqual (iid, IPluginFactory2::iid))
		*obj = static_cast<IPluginFactory2*> (this);
	else if (FUnknownPrivate::iidEqual (iid, IPluginFactory::iid) ||
	         FUnknownPrivate::iidEqual (iid, FUnknown::iid))
		*obj = static_cast<IPluginFactory*> (this);
	else
	{
		*obj = nullptr;
		return kNoInterface;
	}
	addRef ();
	return kResultOk;
}

uint32 PLUGIN_API CPluginFactory::addRef ()
{
	return static_cast<uint32> (FUnknownPrivate::atomicAdd (refCount, 1));
}

uint32 PLUGIN_API CPluginFactory::release ()
{
	int32 left = FUnknownPrivate::atomicAdd (refCount, -1);
	if (left == 0)
	{
		delete this;
		return 0;
	}
	return static_cast<uint32> (left);
}

bool CPluginFactory::growClasses ()
{
	int32 newMax = maxClassCount ? maxClassCount * 2 : 4;
	void* grown = std::realloc (classes, sizeof (ClassEntry) * static_cast<size_t> (newMax));
	if (!grown)
		return false;
	classes = static_cast<ClassEntry*> (grown);
	maxClassCount = newMax;
	return true;
}

CPluginFactory::ClassEntry* CPluginFactory::addEntry (CreateFunction createFunc, void* context,
                                                   bool isUnicode)
{
	if (classCount >= maxClassCount && !growClasses ())
		return nullptr;
	// The table is raw storage (realloc); each entry is constructed in place, zeroed.
	ClassEntry* entry = new (&classes[classCount]) ClassEntry ();
	entry->createFunc = createFunc;
	entry->context = context;
	entry->isUnicode = isUnicode;
	++classCount;
	return entry;
}

const CPluginFactory::ClassEntry* CPluginFactory::entryAt (int32 index) const
{
	return (index >= 0 && index < classCount) ? &classes[index] : nullptr;
}

bool CPluginFactory::registerClass (const PClassInfo* info, CreateFunction createFunc,
                                    void* context)
{
	if (!info || !createFunc)
		return false;
	PClassInfo2 info2;
	memcpy (info2.cid, info->cid, sizeof (TUID));
	info2.cardinality = info->cardinality;
	copyField (info2.category, info->category, PClassInfo::kCategorySize);
	copyField (info2.name, info->name, PClassInfo::kNameSize);
	return registerClass (&info2, createFunc, context);
}

bool CPluginFactory::registerClass (const PClassInfo2* info, CreateFunction createFunc,
                                    void* context)
{
	ClassEntry* entry = (info && createFunc) ? addEntry (createFunc, context, false) : nullptr;
	if (!entry)
		return false;
	entry->info8 = *info;
	entry->info16.fromAscii (*info);
	return true;
}

bool CPluginFactory::registerClass (const PClassInfoW* info, CreateFunction createFunc,
                                    void* context)
{
	ClassEntry* entry = (info && createFunc) ? addEntry (createFunc, context, true) : nullptr;
	if (!entry)
		return false;
	PClassInfo2& info8 = entry->info8;
	entry->info16 = *info;
	memcpy (info8.cid, info->cid, sizeof (TUID));
	info8.cardinality = info->cardinality;
	copyField (info8.category, info->category, PClassInfo::kCategorySize);
	narrowField (info8.name, info->name, PClassInfo::kNameSize);
	info8.classFlags = info->classFlags;
	copyField (info8.subCategories, info->subCategories, PClassInfo2::kSubCategoriesSize);
	narrowField (info8.vendor, info->vendor, PClassInfo2::kVendorSize);
	narrowField (info8.version, info->version, PClassInfo2::kVersionSize);
	narrowField (info8.sdkVersion, info->sdkVersion, PClassInfo2::kVersionSize);
	return true;
}

CPluginFactory::ClassEntry* CPluginFactory::findClass (const char* cid) const
{
	if (!cid)
		return nullptr;
	for (int32 i = 0; i < classCount; ++i)
	{
		if (memcmp (classes[i].info8.cid, cid, sizeof (TUID)) == 0)
			return &classes[i];
	}
	return nullptr;
}

bool CPluginFactory::isRegistered (const TUID cid) const
{
	return findClass (cid) != nullptr;
}

void CPluginFactory::removeAllClasses ()
{
	classCount = 0;
}

tresult PLUGIN_API CPluginFactory::getFactoryInfo (PFactoryInfo* info)
{
	if (!info)
		return kInvalidArgument;
	memcpy (info, &factoryInfo, sizeof (PFactoryInfo));
	return kResultOk;
}

int32 PLUGIN_API CPluginFactory::countClasses ()
{
	return classCount;
}

// Classes registered with UTF-16 texts answer only getClassInfoUnicode.
tresult PLUGIN_API CPluginFactory::getClassInfo (int32 index, PClassInfo* info)
{
	const ClassEntry* entry = entryAt (index);
	if (!info || !entry)
		return kInvalidArgument;
	*info = PClassInfo ();
	if (entry->isUnicode)
		return kResultFalse;
	memcpy (info->cid, entry->info8.cid, sizeof (TUID));
	info->cardinality = entry->info8.cardinality;
	memcpy (info->category, entry->info8.category, PClassInfo::kCategorySize);
	memcpy (info->name, entry->info8.name, PClassInfo::kNameSize);
	return kResultOk;
}

tresult PLUGIN_API CPluginFactory::getClassInfo2 (int32 index, PClassInfo2* info)
{
	const ClassEntry* entry = entryAt (index);
	if (!info || !entry)
		return kInvalidArgument;
	*info = entry->isUnicode ? PClassInfo2 () : entry->info8;
	return entry->isUnicode ? kResultFalse : kResultOk;
}

tresult PLUGIN_API CPluginFactory::getClassInfoUnicode (int32 index, PClassInfoW* info)
{
	const ClassEntry* entry = entryAt (index);
	if (!info || !entry)
		return kInvalidArgument;
	*info = entry->info16;
	return kResultOk;
}

tresult PLUGIN_API CPluginFactory::createInstance (FIDString cid, FIDString iid, void** obj)
{
	if (!obj)
		return kInvalidArgument;
	*obj = nullptr;
	if (!iid)
		return kInvalidArgument;
	const ClassEntry* entry = findClass (cid);
	if (!entry)
		return kNoInterface;

	// No exception from a creation function reaches the host.
	FUnknown* instance = nullptr;
	try
	{
		instance = entry->createFunc (entry->context);
	}
	catch (const std::bad_alloc&)
	{
		return kOutOfMemory;
	}
	catch (...)
	{
		return kInternalError;
	}
	if (!instance)
		return kNoInterface;
	// The creation function's reference is handed over to the queried interface.
	tresult result = instance->queryInterface (iid, obj);
	instance->release ();
	if (result != kResultOk)
	{
		*obj = nullptr;
		return kNoInterface;
	}
	return kResultOk;
}

tresult PLUGIN_API CPluginFactory::setHostContext (FUnknown* /*context*/)
{
	return kNotImplemented;
}

} // namespace Steinberg
