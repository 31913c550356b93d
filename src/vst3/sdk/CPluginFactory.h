#pragma once

#include "pluginterfaces/base/ipluginbase.h"

namespace Steinberg {

/** The module's plug-in factory: describes the registered classes and creates their
    instances. Reference-counted; deleting the factory that GetPluginFactory handed out
    clears gPluginFactory, so the next GetPluginFactory builds a new one. */
class CPluginFactory : public IPluginFactory3
{
public:
	/** Instance-creation function: returns a new object holding one reference, or null.
	    The context is the value given at registration. */
	using CreateFunction = FUnknown* (*) (void* context);

	explicit CPluginFactory (const PFactoryInfo& info);
	virtual ~CPluginFactory ();

	/** Registers one class. False (nothing registered) for null arguments or when the
	    class table cannot grow. */
	bool registerClass (const PClassInfo* info, CreateFunction createFunc, void* context = nullptr);
	bool registerClass (const PClassInfo2* info, CreateFunction createFunc, void* context = nullptr);
	bool registerClass (const PClassInfoW* info, CreateFunction createFunc, void* context = nullptr);
	bool isRegistered (const TUID cid) const;
	void removeAllClasses ();

	//--- FUnknown
	tresult PLUGIN_API queryInterface (const TUID iid, void** obj) SMTG_OVERRIDE;
	uint32 PLUGIN_API addRef () SMTG_OVERRIDE;
	uint32 PLUGIN_API release () SMTG_OVERRIDE;

	//--- IPluginFactory
	tresult PLUGIN_API getFactoryInfo (PFactoryInfo* info) SMTG_OVERRIDE;
	int32 PLUGIN_API countClasses () SMTG_OVERRIDE;
	tresult PLUGIN_API getClassInfo (int32 index, PClassInfo* info) SMTG_OVERRIDE;
	/** Creates the class cid and answers its interface iid in *obj (kNoInterface and a null
	    *obj when the class is unknown, creation fails or the object lacks iid). */
	tresult PLUGIN_API createInstance (FIDString cid, FIDString iid, void** obj) SMTG_OVERRIDE;

	//--- IPluginFactory2
	tresult PLUGIN_API getClassInfo2 (int32 index, PClassInfo2* info) SMTG_OVERRIDE;

	//--- IPluginFactory3
	tresult PLUGIN_API getClassInfoUnicode (int32 index, PClassInfoW* info) SMTG_OVERRIDE;
	tresult PLUGIN_API setHostContext (FUnknown* context) SMTG_OVERRIDE;

protected:
	struct ClassEntry
	{
		PClassInfo2 info8;
		PClassInfoW info16;
		CreateFunction createFunc;
		void* context;
		bool isUnicode;
	};

	bool growClasses ();
	ClassEntry* findClass (const char* cid) const;

	int32 refCount;
	PFactoryInfo factoryInfo;
	ClassEntry* classes;
	int32 classCount;
	int32 maxClassCount;
};

/** The module's factory while one exists (set by GetPluginFactory, cleared when that
    factory is destroyed). */
extern IPluginFactory* gPluginFactory;

} // namespace Steinberg
