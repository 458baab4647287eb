// Hollin.dll under Wine: registration with regsvr32, the type library, the entry points, and
// the Quorvel object called in-process and by real script clients, with a recorder program
// standing in for drovane.exe that writes down the command line it was started with.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <chrono>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "ScopedHandles.h"
#include "RemoteProgram.h"
#include "hollin.h"

using namespace std::chrono_literals;

namespace {

constexpr auto kTimeout = 60s;
const std::string kDll = WindowsPath(HOLLIN_DLL);
const std::string kRecorder = WindowsPath(RECORDER_EXE);
const std::string kClsid = "{EA4492CB-ADA0-11D5-92AE-00B0D03F1683}";
const std::string kLibid = "{EA4492BD-ADA0-11D5-92AE-00B0D03F1683}";

std::optional<std::string> Value(HKEY root, const std::string& key, const char* name = nullptr)
{
    RegKey opened;
    if (opened.Open(root, key.c_str()) != ERROR_SUCCESS) return std::nullopt;
    char text[1024] = {};
    DWORD size = sizeof text - 1;
    if (::RegQueryValueExA(opened.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::string(text);
}

bool KeyExists(HKEY root, const std::string& key)
{
    RegKey opened;
    return opened.Open(root, key.c_str()) == ERROR_SUCCESS;
}

std::string Lower(std::string text)
{
    for (char& c : text) c = static_cast<char>(::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string TempFolder(const std::string& name)
{
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + name + "-" + std::to_string(::GetCurrentProcessId());
    ::CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

class Bstr {
public:
    explicit Bstr(const wchar_t* text) : m_text(::SysAllocString(text)) {}
    ~Bstr() { ::SysFreeString(m_text); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    operator BSTR() const { return m_text; }

private:
    BSTR m_text;
};

// Hollin.dll (or a copy of it) loaded into this process, its class factory at hand.
class LoadedServer {
public:
    explicit LoadedServer(const std::string& path) : m_module(::LoadLibraryA(path.c_str()))
    {
        if (!m_module) return;
        // Through void*: the entry points' real types differ from FARPROC's.
        getClassObject = reinterpret_cast<decltype(getClassObject)>(
            reinterpret_cast<void*>(::GetProcAddress(m_module, "DllGetClassObject")));
        canUnloadNow = reinterpret_cast<decltype(canUnloadNow)>(
            reinterpret_cast<void*>(::GetProcAddress(m_module, "DllCanUnloadNow")));
        if (getClassObject) getClassObject(CLSID_Quorvel, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    }
    ~LoadedServer()
    {
        if (factory) factory->Release();
        if (m_module) ::FreeLibrary(m_module);
    }
    LoadedServer(const LoadedServer&) = delete;
    LoadedServer& operator=(const LoadedServer&) = delete;

    IQuorvel* Create()
    {
        IQuorvel* object = nullptr;
        if (factory) factory->CreateInstance(nullptr, IID_IQuorvel, reinterpret_cast<void**>(&object));
        return object;
    }

    HRESULT(STDAPICALLTYPE* getClassObject)(REFCLSID, REFIID, void**) = nullptr;
    HRESULT(STDAPICALLTYPE* canUnloadNow)() = nullptr;
    IClassFactory* factory = nullptr;

private:
    HMODULE m_module;
};

// An outer object for aggregation: it answers IUnknown itself and hands every other request to
// the inner object, counting them.
class Outer : public IUnknown {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        if (::IsEqualIID(iid, IID_IUnknown)) {
            *out = this;
            AddRef();
            return S_OK;
        }
        ++delegated;
        return inner ? inner->QueryInterface(iid, out) : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs); }
    STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(--refs); }

    int refs = 1;
    int delegated = 0;
    IUnknown* inner = nullptr;
};

// Every program this process starts, and every program those start, runs in this job, so a
// test can tell whether a call started anything.
HANDLE Job()
{
    static HANDLE job = [] {
        HANDLE created = ::CreateJobObjectA(nullptr, nullptr);
        ::AssignProcessToJobObject(created, ::GetCurrentProcess());
        return created;
    }();
    return job;
}

DWORD ProcessesStarted()
{
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info{};
    ::QueryInformationJobObject(Job(), JobObjectBasicAccountingInformation, &info, sizeof info, nullptr);
    return info.TotalProcesses;
}

TEST(Registration, RegsvrWritesEveryKeyOnceAndUnregisteringKeepsClsid)
{
    ASSERT_EQ(RunToEnd("regsvr32.exe /s \"" + kDll + "\"", kTimeout), 0u);
    const std::string cls = "CLSID\\" + kClsid;
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, "Hollin.Quorvel.1"), "Quorvel Class");
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, "Hollin.Quorvel.1\\CLSID"), kClsid);
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, "Hollin.Quorvel"), "Quorvel Class");
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, "Hollin.Quorvel\\CLSID"), kClsid);
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, "Hollin.Quorvel\\CurVer"), "Hollin.Quorvel.1");
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, cls), "Quorvel Class");
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, cls + "\\ProgID"), "Hollin.Quorvel.1");
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, cls + "\\VersionIndependentProgID"), "Hollin.Quorvel");
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, cls + "\\Programmable"));
    EXPECT_EQ(Lower(Value(HKEY_CLASSES_ROOT, cls + "\\InprocServer32").value_or("")), Lower(kDll));
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, cls + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, cls + "\\TypeLib"), kLibid);
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, "TypeLib\\" + kLibid + "\\1.0"), "Hollin 1.0 Type Library");
    EXPECT_EQ(Lower(Value(HKEY_CLASSES_ROOT, "TypeLib\\" + kLibid + "\\1.0\\409\\win64").value_or("")), Lower(kDll));

    // Registering again writes the class key afresh: what was below it is gone.
    RegKey stray;
    ASSERT_EQ(stray.Create(HKEY_CLASSES_ROOT, (cls + "\\Stray").c_str()), ERROR_SUCCESS);
    stray.Close();
    ASSERT_EQ(RunToEnd("regsvr32.exe /s \"" + kDll + "\"", kTimeout), 0u);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, cls + "\\Stray"));
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, cls + "\\ProgID"), "Hollin.Quorvel.1");

    ASSERT_EQ(RunToEnd("regsvr32.exe /u /s \"" + kDll + "\"", kTimeout), 0u);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "Hollin.Quorvel.1"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "Hollin.Quorvel"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, cls));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "CLSID"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "TypeLib\\" + kLibid + "\\1.0"));
}

std::wstring Wide(const std::string& text)
{
    std::wstring wide(text.size() + 1, L'\0');
    wide.resize(static_cast<std::size_t>(
        ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), static_cast<int>(wide.size())) - 1));
    return wide;
}

std::wstring Doc(ITypeInfo* info, MEMBERID member, bool helpString)
{
    BSTR name = nullptr, help = nullptr;
    info->GetDocumentation(member, &name, &help, nullptr, nullptr);
    std::wstring text = (helpString ? help : name) ? (helpString ? help : name) : L"";
    ::SysFreeString(name);
    ::SysFreeString(help);
    return text;
}

TEST(TypeLibrary, DescribesTheDualInterfaceAndTheClass)
{
    ITypeLib* library = nullptr;
    ASSERT_EQ(::LoadTypeLibEx(Wide(kDll).c_str(), REGKIND_NONE, &library), S_OK);
    TLIBATTR* lib = nullptr;
    library->GetLibAttr(&lib);
    EXPECT_TRUE(::IsEqualGUID(lib->guid, LIBID_HOLLINLib));
    EXPECT_EQ(lib->wMajorVerNum, 1);
    EXPECT_EQ(lib->wMinorVerNum, 0);
    EXPECT_EQ(lib->lcid, 0x0409u);
    library->ReleaseTLibAttr(lib);
    BSTR name = nullptr, help = nullptr;
    library->GetDocumentation(-1, &name, &help, nullptr, nullptr);
    EXPECT_STREQ(name, L"HOLLINLib");
    EXPECT_STREQ(help, L"Hollin 1.0 Type Library");
    ::SysFreeString(name);
    ::SysFreeString(help);

    ITypeInfo* coclass = nullptr;
    ASSERT_EQ(library->GetTypeInfoOfGuid(CLSID_Quorvel, &coclass), S_OK);
    TYPEATTR* attributes = nullptr;
    coclass->GetTypeAttr(&attributes);
    EXPECT_EQ(attributes->typekind, TKIND_COCLASS);
    EXPECT_TRUE(attributes->wTypeFlags & TYPEFLAG_FCANCREATE);
    coclass->ReleaseTypeAttr(attributes);
    EXPECT_EQ(Doc(coclass, MEMBERID_NIL, true), L"Quorvel Class");
    INT implFlags = 0;
    coclass->GetImplTypeFlags(0, &implFlags);
    EXPECT_TRUE(implFlags & IMPLTYPEFLAG_FDEFAULT);
    coclass->Release();

    ITypeInfo* dispatch = nullptr;
    ASSERT_EQ(library->GetTypeInfoOfGuid(IID_IQuorvel, &dispatch), S_OK);
    dispatch->GetTypeAttr(&attributes);
    EXPECT_TRUE(attributes->wTypeFlags & TYPEFLAG_FDUAL);
    dispatch->ReleaseTypeAttr(attributes);
    EXPECT_EQ(Doc(dispatch, MEMBERID_NIL, true), L"IQuorvel Interface");

    // The interface side of the dual interface: the function table as C++ callers see it.
    HREFTYPE vtableSide = 0;
    ASSERT_EQ(dispatch->GetRefTypeOfImplType(-1, &vtableSide), S_OK);
    ITypeInfo* vtable = nullptr;
    ASSERT_EQ(dispatch->GetRefTypeInfo(vtableSide, &vtable), S_OK);
    vtable->GetTypeAttr(&attributes);
    EXPECT_EQ(attributes->typekind, TKIND_INTERFACE);
    EXPECT_TRUE(attributes->wTypeFlags & TYPEFLAG_FOLEAUTOMATION);
    vtable->ReleaseTypeAttr(attributes);
    const struct {
        const wchar_t* name;
        MEMBERID id;
        int slot;
        std::vector<std::wstring> params;
        const wchar_t* help;
    } methods[] = {
        {L"loadUrl", 1, 7, {L"bStr"}, L"method loadUrl"},
        {L"getFlashs", 2, 8, {L"bsUrl", L"bsHTML"}, L"method getFlashs"},
    };
    for (UINT index = 0; index < 2; ++index) {
        const auto& expected = methods[index];
        FUNCDESC* function = nullptr;
        ASSERT_EQ(vtable->GetFuncDesc(index, &function), S_OK);
        EXPECT_EQ(function->memid, expected.id) << expected.name;
        EXPECT_EQ(function->oVft, static_cast<SHORT>(expected.slot * sizeof(void*))) << expected.name;
        EXPECT_EQ(function->callconv, CC_STDCALL);
        EXPECT_EQ(function->elemdescFunc.tdesc.vt, VT_HRESULT);
        EXPECT_EQ(function->cParamsOpt, 0);
        ASSERT_EQ(function->cParams, static_cast<SHORT>(expected.params.size()));
        for (SHORT p = 0; p < function->cParams; ++p) {
            EXPECT_EQ(function->lprgelemdescParam[p].tdesc.vt, VT_BSTR);
            EXPECT_FALSE(function->lprgelemdescParam[p].paramdesc.wParamFlags & (PARAMFLAG_FOUT | PARAMFLAG_FRETVAL | PARAMFLAG_FOPT));
        }
        BSTR names[3] = {};
        UINT count = 0;
        vtable->GetNames(function->memid, names, 3, &count);
        ASSERT_EQ(count, expected.params.size() + 1);
        EXPECT_STREQ(names[0], expected.name);
        for (UINT p = 1; p < count; ++p) EXPECT_EQ(std::wstring(names[p]), expected.params[p - 1]);
        for (BSTR n : names) ::SysFreeString(n);
        EXPECT_EQ(Doc(vtable, function->memid, true), expected.help);
        vtable->ReleaseFuncDesc(function);
    }
    vtable->Release();
    dispatch->Release();
    library->Release();
}

TEST(EntryPoints, AnswerForTheirClassCountObjectsAndAggregate)
{
    LoadedServer server(kDll);
    ASSERT_NE(server.factory, nullptr);
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(server.getClassObject(IID_IQuorvel, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(server.getClassObject(CLSID_Quorvel, IID_IClassFactory, nullptr), E_POINTER);
    EXPECT_EQ(server.canUnloadNow(), S_OK);

    IQuorvel* object = server.Create();
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(server.canUnloadNow(), S_FALSE) << "an object is alive";
    IDispatch* dispatch = nullptr;
    EXPECT_EQ(object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)), S_OK);
    IUnknown* other = nullptr;
    EXPECT_EQ(object->QueryInterface(IID_IClassFactory, reinterpret_cast<void**>(&other)), E_NOINTERFACE);
    dispatch->Release();
    object->Release();
    EXPECT_EQ(server.canUnloadNow(), S_OK);

    server.factory->LockServer(TRUE);
    EXPECT_EQ(server.canUnloadNow(), S_FALSE) << "a client holds a lock";
    server.factory->LockServer(FALSE);
    EXPECT_EQ(server.canUnloadNow(), S_OK);

    // Aggregated: only the inner unknown is handed out, and the interfaces it gives delegate
    // their references and questions to the outer object.
    Outer outer;
    EXPECT_EQ(server.factory->CreateInstance(&outer, IID_IQuorvel, &out), CLASS_E_NOAGGREGATION);
    ASSERT_EQ(server.factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.inner)), S_OK);
    IQuorvel* inside = nullptr;
    ASSERT_EQ(outer.inner->QueryInterface(IID_IQuorvel, reinterpret_cast<void**>(&inside)), S_OK);
    EXPECT_EQ(outer.refs, 2) << "the reference went to the outer object";
    IUnknown* identity = nullptr;
    inside->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity));
    EXPECT_EQ(identity, static_cast<IUnknown*>(&outer)) << "the aggregate has one identity";
    identity->Release();
    IDispatch* viaOuter = nullptr;
    EXPECT_EQ(inside->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&viaOuter)), S_OK);
    EXPECT_EQ(outer.delegated, 1);
    viaOuter->Release();
    inside->Release();
    EXPECT_EQ(outer.refs, 1);
    EXPECT_EQ(server.canUnloadNow(), S_FALSE);
    outer.inner->Release();
    EXPECT_EQ(server.canUnloadNow(), S_OK);
}

std::string VersionText(const std::vector<char>& block, const char* name)
{
    char* text = nullptr;
    UINT len = 0;
    const std::string path = std::string("\\StringFileInfo\\040904B0\\") + name;
    if (!::VerQueryValueA(block.data(), path.c_str(), reinterpret_cast<void**>(&text), &len) || !text) return "(none)";
    return std::string(text, len > 0 ? len - 1 : 0);
}

TEST(ModuleResources, NameTheModuleAndMarkItSelfRegistering)
{
    DWORD ignored = 0;
    std::vector<char> block(::GetFileVersionInfoSizeA(kDll.c_str(), &ignored));
    ASSERT_FALSE(block.empty());
    ASSERT_TRUE(::GetFileVersionInfoA(kDll.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
    EXPECT_EQ(VersionText(block, "FileDescription"), "Hollin Module");
    EXPECT_EQ(VersionText(block, "ProductName"), "Hollin Module");
    EXPECT_EQ(VersionText(block, "InternalName"), "Hollin");
    EXPECT_EQ(VersionText(block, "OriginalFilename"), "Hollin.DLL");
    EXPECT_EQ(VersionText(block, "FileVersion"), "1, 0, 0, 1");
    EXPECT_EQ(VersionText(block, "ProductVersion"), "1, 0, 0, 1");
    EXPECT_EQ(VersionText(block, "OLESelfRegister"), "");

    HMODULE module = ::LoadLibraryExA(kDll.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    char name[32] = {};
    EXPECT_GT(::LoadStringA(module, 100, name, sizeof name), 0);
    EXPECT_STREQ(name, "Hollin");
    EXPECT_NE(::FindResourceA(module, MAKEINTRESOURCEA(1), "TYPELIB"), nullptr);
    EXPECT_NE(::FindResourceA(module, MAKEINTRESOURCEA(102), "REGISTRY"), nullptr);
    ::FreeLibrary(module);
}

// Points "AppName" at the recorder (or removes it) for one test and puts every start the
// recorder sees into a file the test reads.
class RecordedStarts : public ::testing::Test {
protected:
    void SetUp() override
    {
        Job();
        m_oldAppName = Value(HKEY_CURRENT_USER, "Software\\Drovane", "AppName");
        folder = TempFolder("tarnwick-bridge");
        m_records = folder + "\\records.txt";
        const std::string signal = "TarnwickRecorded-" + std::to_string(::GetCurrentProcessId());
        m_signal = ::CreateSemaphoreA(nullptr, 0, 1000, signal.c_str());
        ::SetEnvironmentVariableA("TARNWICK_RECORD_FILE", m_records.c_str());
        ::SetEnvironmentVariableA("TARNWICK_RECORD_SIGNAL", signal.c_str());
        SetAppName(kRecorder);
        // The movie lists below are the literal rule's: the Options switch beside the module is
        // off for these tests.
        m_oldSwitch = SettingBeside(kDll);
        SetSwitchBeside(kDll, "0");
    }
    void TearDown() override
    {
        SetSwitchBeside(kDll, m_oldSwitch);
        if (m_oldAppName) SetAppName(*m_oldAppName);
        else ::RegDeleteKeyValueA(HKEY_CURRENT_USER, "Software\\Drovane", "AppName");
        ::CloseHandle(m_signal);
        RemoveFolder(folder + "\\with blanks");
        RemoveFolder(folder);
    }

    static std::string SettingsBeside(const std::string& module)
    {
        return module.substr(0, module.rfind('\\') + 1) + "propertys.ini";
    }
    static std::optional<std::string> SettingBeside(const std::string& module)
    {
        char value[16] = {};
        ::GetPrivateProfileStringA("Options", "FindInObjectsAndScripts", "\x01", value, sizeof value, SettingsBeside(module).c_str());
        return std::string(value) == "\x01" ? std::nullopt : std::optional<std::string>(value);
    }
    // No value removes the key.
    static void SetSwitchBeside(const std::string& module, const std::optional<std::string>& value)
    {
        ::WritePrivateProfileStringA("Options", "FindInObjectsAndScripts", value ? value->c_str() : nullptr,
                                     SettingsBeside(module).c_str());
    }

    static void SetAppName(const std::string& path)
    {
        RegKey key;
        key.Create(HKEY_CURRENT_USER, "Software\\Drovane");
        ::RegSetValueExA(key.Get(), "AppName", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                         static_cast<DWORD>(path.size() + 1));
    }

    // The command lines of the next `count` starts, in the order they were written.
    std::vector<std::string> Records(std::size_t count)
    {
        for (std::size_t i = 0; i < count; ++i) {
            if (::WaitForSingleObject(m_signal, static_cast<DWORD>(std::chrono::milliseconds(kTimeout).count())) !=
                WAIT_OBJECT_0) {
                ADD_FAILURE() << "the program was started " << i << " times, not " << count;
                break;
            }
        }
        std::vector<std::string> lines;
        {
            std::ifstream in(m_records);
            for (std::string line; std::getline(in, line);) lines.push_back(line);
        }
        ::DeleteFileA(m_records.c_str());
        return lines;
    }

    // Runs a script with the system's script host, as a user's automation would.
    void RunScript(const std::string& name, const std::string& text)
    {
        const std::string path = folder + "\\" + name;
        std::ofstream(path) << text;
        EXPECT_EQ(RunToEnd("cscript.exe //nologo \"" + path + "\"", kTimeout), 0u) << text;
    }

    std::string folder;

private:
    std::optional<std::string> m_oldAppName;
    std::optional<std::string> m_oldSwitch;
    std::string m_records;
    HANDLE m_signal = nullptr;
};

TEST_F(RecordedStarts, CallsInProcessStartTheProgramWithTheirPayload)
{
    LoadedServer server(kDll);
    IQuorvel* object = server.Create();
    ASSERT_NE(object, nullptr);

    const DWORD before = ProcessesStarted();
    EXPECT_EQ(object->getFlashs(Bstr(L"http://site/page.html"), nullptr), S_OK);
    EXPECT_EQ(ProcessesStarted(), before) << "a null HTML starts nothing";

    EXPECT_EQ(object->loadUrl(nullptr), S_OK);
    EXPECT_EQ(ProcessesStarted(), before + 1) << "the count of started programs must see a start";
    EXPECT_EQ(Records(1), std::vector<std::string>{kRecorder + " "});

    // Late bound, as a script calls it: the name through the type library, the arguments last
    // first.
    OLECHAR* name = const_cast<OLECHAR*>(L"getFlashs");
    DISPID id = 0;
    ASSERT_EQ(object->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
    EXPECT_EQ(id, 2);
    Bstr html(L"<embed src=\"clip.swf\">"), page(L"http://site/dir/page.html");
    VARIANT args[2];
    args[0].vt = VT_BSTR;
    args[0].bstrVal = html;
    args[1].vt = VT_BSTR;
    args[1].bstrVal = page;
    DISPPARAMS params{args, nullptr, 2, 0};
    EXPECT_EQ(object->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(Records(1), std::vector<std::string>{kRecorder + " http://site/dir/clip.swf,"});
    object->Release();
}

TEST_F(RecordedStarts, GetFlashsFollowsTheOptionsSwitchBesideItsOwnModule)
{
    // A copy of the module in a folder of its own, with no settings file at first.
    const std::string copy = folder + "\\Hollin.dll";
    ASSERT_TRUE(::CopyFileA(kDll.c_str(), copy.c_str(), FALSE));
    const wchar_t* const page = L"<object classid=\"clsid:D27CDB6E-AE6D-11cf-96B8-444553540000\">"
                                L"<param name=\"movie\" value=\"a.swf\"><embed src=\"a.swf\"></object>"
                                L"<script>swfobject.embedSWF(\"b.swf\", \"x\", \"1\", \"1\", \"9\");</script><embed src=\"a.swf\">";
    const struct {
        std::optional<std::string> setting;
        const char* payload;
    } cases[] = {
        {std::nullopt, " http://site/dir/a.swf,http://site/dir/b.swf,"},
        {"0", " http://site/dir/a.swf,http://site/dir/a.swf,"},
        {"1", " http://site/dir/a.swf,http://site/dir/b.swf,"},
    };
    for (const auto& c : cases) {
        SetSwitchBeside(copy, c.setting);
        LoadedServer server(copy);
        IQuorvel* object = server.Create();
        ASSERT_NE(object, nullptr);
        EXPECT_EQ(object->getFlashs(Bstr(L"http://site/dir/page.html"), Bstr(page)), S_OK);
        EXPECT_EQ(Records(1), std::vector<std::string>{kRecorder + c.payload}) << c.setting.value_or("no key");
        object->Release();
    }
}

TEST_F(RecordedStarts, WithoutAppNameTheProgramBesideTheModuleStarts)
{
    ::RegDeleteKeyValueA(HKEY_CURRENT_USER, "Software\\Drovane", "AppName");
    // A copy of the module with the recorder beside it as drovane.exe, and one alone.
    const std::string withProgram = folder + "\\with blanks";
    ::CreateDirectoryA(withProgram.c_str(), nullptr);
    ASSERT_TRUE(::CopyFileA(kDll.c_str(), (withProgram + "\\Hollin.dll").c_str(), FALSE));
    ASSERT_TRUE(::CopyFileA(kRecorder.c_str(), (withProgram + "\\drovane.exe").c_str(), FALSE));
    ASSERT_TRUE(::CopyFileA(kDll.c_str(), (folder + "\\Hollin.dll").c_str(), FALSE));
    {
        LoadedServer server(withProgram + "\\Hollin.dll");
        IQuorvel* object = server.Create();
        ASSERT_NE(object, nullptr);
        EXPECT_EQ(object->loadUrl(Bstr(L"http://site/page.html")), S_OK);
        EXPECT_EQ(Records(1), std::vector<std::string>{"\"" + withProgram + "\\drovane.exe\" http://site/page.html"});
        object->Release();
    }
    {
        LoadedServer server(folder + "\\Hollin.dll");
        IQuorvel* object = server.Create();
        ASSERT_NE(object, nullptr);
        const DWORD before = ProcessesStarted();
        EXPECT_EQ(object->loadUrl(Bstr(L"http://site/page.html")), S_OK);
        EXPECT_EQ(ProcessesStarted(), before) << "no program, nothing started";
        object->Release();
    }
}

TEST_F(RecordedStarts, ScriptClientsCreateTheClassByNameAndCallIt)
{
    ASSERT_EQ(RunToEnd("regsvr32.exe /s \"" + kDll + "\"", kTimeout), 0u);
    RunScript("empty.js", "var q = new ActiveXObject(\"Hollin.Quorvel\");\nq.loadUrl(\"\");\n");
    EXPECT_EQ(Records(1), std::vector<std::string>{kRecorder + " "});

    RunScript("list.js", "var q = new ActiveXObject(\"Hollin.Quorvel\");\n"
                         "q.loadUrl(\"http://site/movies/clip.swf,\");\n"
                         "q.getFlashs(\"http://site/dir/page.html\", '<embed src=\"a.swf\"><EMBED SRC=\"a.swf\">');\n");
    EXPECT_EQ(Records(2), (std::vector<std::string>{kRecorder + " http://site/movies/clip.swf,",
                                                     kRecorder + " http://site/dir/a.swf,http://site/dir/a.swf,"}));

    RunScript("pages.vbs", "Set q = CreateObject(\"Hollin.Quorvel.1\")\n"
                           "q.getFlashs \"http://site/dir/page.html\", \"<p>no movie</p>\"\n"
                           "q.getFlashs \"http://site/dir/page.html\", \"<embed src=\"\"/top.swf\"\"> <embed src=sub/b.swf>\"\n");
    EXPECT_EQ(Records(2), (std::vector<std::string>{kRecorder + " ",
                                                     kRecorder + " http://site/top.swf,http://site/dir/sub/b.swf,"}));

    // A program path with blanks, stored without quotes, is quoted on the command line.
    const std::string spaced = folder + "\\with blanks";
    ::CreateDirectoryA(spaced.c_str(), nullptr);
    ASSERT_TRUE(::CopyFileA(kRecorder.c_str(), (spaced + "\\recorder.exe").c_str(), FALSE));
    SetAppName(spaced + "\\recorder.exe");
    RunScript("spaced.js", "new ActiveXObject(\"Hollin.Quorvel\").loadUrl(\"http://site/page.html\");\n");
    EXPECT_EQ(Records(1), std::vector<std::string>{"\"" + spaced + "\\recorder.exe\" http://site/page.html"});
    EXPECT_EQ(RunToEnd("regsvr32.exe /u /s \"" + kDll + "\"", kTimeout), 0u);
}

} // namespace
