// The engine's questions in-process: a client in this thread's apartment
// advises a late-bound sink (no type information, like a script host) on
// the engine object's _IVexoEvents, and a worker thread asks the simulated
// engine to put its questions through the user-dialog callback while this
// thread pumps messages. Checked: the events and their arguments, the
// responses and the texts the engine's buffers receive, where the events
// arrive and which engine object receives them.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "ServerTestSupport.h"

using namespace servertest;

namespace {

using AskFn = int32_t(WINAPI*)(int32_t, const char*);

AskFn AskExport() {
    static HMODULE engine = LoadLibraryA((EngineFolder() + "\\VexoAPI.dll").c_str());
    return engine ? reinterpret_cast<AskFn>(reinterpret_cast<void*>(GetProcAddress(engine, "VexoSimAskSpec")))
                  : nullptr;
}

struct AskJob {
    int32_t request;
    std::string dataText;
    int32_t response = -12345;
    DWORD thread = 0;
};

DWORD WINAPI AskThread(void* p) {
    auto* job = static_cast<AskJob*>(p);
    job->thread = GetCurrentThreadId();
    job->response = AskExport()(job->request, job->dataText.c_str());
    return 0;
}

// Asks from a worker thread while this thread pumps messages; the engine's
// response, or -12345 when the worker did not finish.
int AskOnWorker(int32_t request, const std::string& dataText = "") {
    AskJob job{request, dataText};
    HANDLE thread = CreateThread(nullptr, 0, &AskThread, &job, 0, nullptr);
    EXPECT_TRUE(thread);
    if (!thread) return -12345;
    bool done = PumpUntil([&] { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }, 10000);
    EXPECT_TRUE(done) << "the question did not come back";
    if (!done) WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
    return job.response;
}

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

// What a sink saw of one event. Arguments in declaration order: numbers as
// they came in (the preset for by-reference ones), texts (L"<null>" for a
// null BSTR) and, for objects, the properties read inside the handler.
struct Seen {
    DISPID id = 0;
    DWORD thread = 0;
    std::vector<LONG> numbers;
    std::vector<std::wstring> texts;
    std::map<std::wstring, std::wstring> object;
};

// The shared late-bound sink (IDispatch only, no type information, so the
// events arrive by dispatch id with by-reference [in,out] arguments), with
// the answers a test wants written into them.
class QuestionSink {
public:
    QuestionSink() : sink_(new LateBoundSink) {
        sink_->onEvent = [this](DISPID id, std::vector<VARIANT*>& args) { OnEvent(id, args); };
    }
    QuestionSink(const QuestionSink&) = delete;
    QuestionSink& operator=(const QuestionSink&) = delete;
    ~QuestionSink() {
        sink_->onEvent = nullptr;
        sink_->Release();
        for (IDispatch* o : kept) o->Release();
    }

    IDispatch* get() const { return sink_; }
    std::vector<DISPID> Ids() const {
        std::vector<DISPID> ids;
        for (const Seen& s : calls) ids.push_back(s.id);
        return ids;
    }

    std::map<DISPID, LONG> answers;             // written into the by-reference response
    std::map<DISPID, std::wstring> textAnswers;  // written into the by-reference text
    std::vector<Seen> calls;
    std::vector<IDispatch*> kept;  // argument objects, held past their event

    static HRESULT Property(IDispatch* o, const wchar_t* name, VARIANT* v) {
        DISPID id = 0;
        LPOLESTR n = const_cast<LPOLESTR>(name);
        VariantInit(v);
        if (o->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &id) != S_OK) return E_FAIL;
        DISPPARAMS none = {nullptr, nullptr, 0, 0};
        return o->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, v, nullptr, nullptr);
    }

private:
    void OnEvent(DISPID id, std::vector<VARIANT*>& args) {
        Seen seen;
        seen.id = id;
        seen.thread = GetCurrentThreadId();
        for (VARIANT* a : args) {
            switch (V_VT(a)) {
            case VT_I4: seen.numbers.push_back(V_I4(a)); break;
            case VT_BYREF | VT_I4:
                seen.numbers.push_back(*V_I4REF(a));
                if (auto it = answers.find(id); it != answers.end()) SetRefLong(a, it->second);
                break;
            case VT_BSTR: seen.texts.push_back(Text(V_BSTR(a))); break;
            case VT_BYREF | VT_BSTR:
                seen.texts.push_back(Text(*V_BSTRREF(a)));
                if (auto it = textAnswers.find(id); it != textAnswers.end()) {
                    SysFreeString(*V_BSTRREF(a));
                    *V_BSTRREF(a) = SysAllocString(it->second.c_str());
                }
                break;
            case VT_DISPATCH: ReadObject(V_DISPATCH(a), seen); break;
            default: seen.texts.push_back(L"<vt " + std::to_wstring(V_VT(a)) + L">"); break;
            }
        }
        calls.push_back(seen);
    }

    static std::wstring Text(BSTR b) { return b ? std::wstring(b, SysStringLen(b)) : L"<null>"; }

    void ReadObject(IDispatch* o, Seen& seen) {
        if (!o) {
            seen.object[L"<null>"] = L"";
            return;
        }
        o->AddRef();
        kept.push_back(o);
        for (const wchar_t* name : {L"TotalBlocksOnCD", L"TotalCapacity", L"Type", L"Icon", L"Response", L"Message",
                                    L"LoPart", L"HiPart"}) {
            VARIANT v;
            if (Property(o, name, &v) != S_OK) continue;
            seen.object[name] = V_VT(&v) == VT_BSTR ? Text(V_BSTR(&v)) : std::to_wstring(V_I4(&v));
            VariantClear(&v);
        }
    }

    LateBoundSink* sink_;
};

DWORD Advise(IVexo4* v, const QuestionSink& sink) {
    DWORD cookie = AdviseSink(v, DIID__IVexoEvents, sink.get());
    EXPECT_NE(cookie, 0u);
    return cookie;
}

// An engine object with the engine initialised (its callbacks registered).
Ptr<IVexo4> ReadyVexo() {
    Ptr<IVexo4> v = NewVexoWithEngine();
    if (v) {
        EXPECT_EQ(v->ClearErrors(), S_OK);
    }
    return v;
}

constexpr DISPID kOnDisconnect = 3, kOnOverburn = 7, kOnNoTrackFound = 10, kOnMegaFatal = 11, kOnWaitCD = 12,
                 kOnAudioProblems = 15, kOnFileSelImage = 16, kOnNonEmptyCDRW = 17, kOnWaitCDMediaInfo = 18,
                 kOnOverburn2 = 20, kOnDlgMessageBox = 21, kOnTempSpace = 22;

// Wine's type-library marshaller (the proxy/stub of every dual interface,
// the argument objects' among them) finds the library only under the
// neutral locale.
constexpr const char* kNeutralTypeLibKey = "TypeLib\\{C6E033E3-925F-11D4-8214-420BF9000000}\\1.3\\0";

bool NeutralTypeLibRegistered() {
    HKEY key = nullptr;
    std::string name = std::string(kNeutralTypeLibKey) + "\\win32";
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, name.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

class QuestionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(AskExport()) << "the simulated engine's VexoSimAskSpec";
        sim::Configure("[MediaNames]\n1=CD-R\n4=DVD-R\n[WaitTexts]\n4=Insert the next disc\n");
        SetRegistryEngine("");
    }
    void TearDown() override {
        EXPECT_EQ(sim::Counter("init.ok"), sim::Counter("done.ok")) << "engine left initialised";
        EXPECT_EQ(sim::Counter("outstanding"), 0) << "engine blocks not given back";
    }
};

}  // namespace

TEST_F(QuestionTest, WithoutSinksTheEngineGetsThePresetsAndFixedResults) {
    struct Case {
        int32_t request;
        const char* dataText;
        int32_t response;
    };
    const Case cases[] = {
        {22, "", 0},  {2, "", 5},   {6, "", 4},   {7, "", 5},         {10, "", -1},       {11, "", -1},
        {12, "", 5},  {13, "", 0},  {13, "null", 0}, {14, "32", 0},   {14, "-1", 0},      {14, "3", 1},
        {15, "4", -1}, {16, "", -1}, {17, "", -1}, {18, "", 1},        {19, "", 0},        {20, "", 0},
        {28, "1,4", -1}, {29, "1,2,3,text", -1}, {29, "null", -1}, {30, "1,0,2,0,260", 1}, {30, "null", -1},
        {99, "", -1}, {0, "", -1},
    };
    Ptr<IVexo4> v = ReadyVexo();
    ASSERT_TRUE(v);
    for (const Case& c : cases) {
        EXPECT_EQ(AskOnWorker(c.request, c.dataText), c.response) << "request " << c.request << " \"" << c.dataText << "\"";
        EXPECT_EQ(sim::Counter("ask.response"), c.response) << "what the engine recorded";
    }
    AskOnWorker(20);
    EXPECT_EQ(sim::Text("ask.text"), "") << "the file-name buffer is cleared";
    AskOnWorker(30, "1,0,2,0,260");
    EXPECT_EQ(sim::Text("ask.text"), "") << "no new directory: an empty one";
}

TEST_F(QuestionTest, SinkAnswersAreKeptOnlyWhereTheRequestAcceptsThem) {
    struct Case {
        int32_t request;
        const char* dataText;
        DISPID event;
        LONG preset, answer;
        int32_t response;
    };
    const Case cases[] = {
        {2, "", kOnDisconnect, 5, 1, 5},      {2, "", kOnDisconnect, 5, 3, 3},     {2, "", kOnDisconnect, 5, 4, 4},
        {6, "", 2, 4, 5, 4},                  {6, "", 2, 4, 3, 3},                 {7, "", 1, 5, 9, 9},
        {7, "", 1, 5, 1, 5},                  {12, "", 6, 5, 4, 4},                {18, "", 8, 1, 0, 0},
        {19, "", 9, 0, 7, 0},                 {19, "", 9, 0, 1, 1},                {22, "", kOnNonEmptyCDRW, 0, 4, 4},
        {22, "", kOnNonEmptyCDRW, 0, 5, 5},   {22, "", kOnNonEmptyCDRW, 0, 1, 0},  {13, "null", kOnOverburn, 0, 1, 1},
        {14, "3", kOnAudioProblems, 1, 0, 0}, {14, "3", kOnAudioProblems, 1, 5, 1},
        {29, "0,0,0,x", kOnDlgMessageBox, -1, -7, -7}, {29, "0,0,0,x", kOnDlgMessageBox, -1, 42, 42},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("request " + std::to_string(c.request) + " answer " + std::to_string(c.answer));
        QuestionSink sink;
        Ptr<IVexo4> v = ReadyVexo();
        ASSERT_TRUE(v);
        Advise(v.get(), sink);
        sink.answers[c.event] = c.answer;
        EXPECT_EQ(AskOnWorker(c.request, c.dataText), c.response);
        EXPECT_EQ(sim::Counter("ask.response"), c.response);
        ASSERT_EQ(sink.calls.size(), 1u);
        EXPECT_EQ(sink.calls[0].id, c.event);
        ASSERT_FALSE(sink.calls[0].numbers.empty());
        EXPECT_EQ(sink.calls[0].numbers.back(), c.preset) << "the response arrives preset";
    }
}

TEST_F(QuestionTest, EventsWithoutResponseFireAndAnswerTheirFixedResult) {
    struct Case {
        int32_t request;
        const char* dataText;
        DISPID event;
        int32_t response;
    };
    const Case cases[] = {
        {10, "", 5, -1}, {11, "", 4, -1}, {16, "", 13, -1}, {17, "", 14, -1},
        {14, "32", kOnNoTrackFound, 0}, {14, "33", kOnNoTrackFound, 0}, {14, "-1", kOnMegaFatal, 0},
    };
    QuestionSink sink;
    Ptr<IVexo4> v = ReadyVexo();
    ASSERT_TRUE(v);
    Advise(v.get(), sink);
    for (const Case& c : cases) {
        sink.calls.clear();
        EXPECT_EQ(AskOnWorker(c.request, c.dataText), c.response) << c.request << " " << c.dataText;
        EXPECT_EQ(sink.Ids(), std::vector<DISPID>{c.event}) << c.request << " " << c.dataText;
    }
    sink.calls.clear();
    EXPECT_EQ(AskOnWorker(14, "17"), 1);
    ASSERT_EQ(sink.Ids(), std::vector<DISPID>{kOnAudioProblems});
    EXPECT_EQ(sink.calls[0].numbers, (std::vector<LONG>{17, 1})) << "the problems, then the preset";
    sink.calls.clear();
    EXPECT_EQ(AskOnWorker(99), -1);
    EXPECT_EQ(AskOnWorker(21), -1);
    EXPECT_TRUE(sink.calls.empty()) << "unknown requests fire nothing";
}

TEST_F(QuestionTest, FileSelImageBufferGetsTheNameCutToFit) {
    QuestionSink sink;
    Ptr<IVexo4> v = ReadyVexo();
    ASSERT_TRUE(v);
    Advise(v.get(), sink);

    EXPECT_EQ(AskOnWorker(20), 0) << "no answer: an empty name";
    ASSERT_EQ(sink.Ids(), std::vector<DISPID>{kOnFileSelImage});
    EXPECT_EQ(sink.calls[0].texts, std::vector<std::wstring>{L"<null>"}) << "the name arrives null";
    EXPECT_EQ(sim::Text("ask.text"), "");

    sink.textAnswers[kOnFileSelImage] = L"";
    EXPECT_EQ(AskOnWorker(20), 0);
    EXPECT_EQ(sim::Text("ask.text"), "");

    sink.textAnswers[kOnFileSelImage] = L"D:\\images\\disc.iso";
    EXPECT_EQ(AskOnWorker(20), 5);
    EXPECT_EQ(sim::Text("ask.text"), "D:\\images\\disc.iso");

    std::string longName(300, 'q');
    sink.textAnswers[kOnFileSelImage] = Wide(longName);
    EXPECT_EQ(AskOnWorker(20), 5);
    EXPECT_EQ(sim::Text("ask.text"), longName.substr(0, 259)) << "259 characters and the terminator";
}

TEST_F(QuestionTest, TempSpaceGivesInt64PartsAndABoundedDirectory) {
    QuestionSink sink;
    Ptr<IVexo4> v = ReadyVexo();
    ASSERT_TRUE(v);
    Advise(v.get(), sink);

    sink.textAnswers[kOnTempSpace] = L"E:\\LongerTemporaryFolder";
    EXPECT_EQ(AskOnWorker(30, "4294967295,1,5,7,8"), 1);
    EXPECT_EQ(sim::Text("ask.text"), "E:\\Long") << "size 8: seven characters and the terminator";
    ASSERT_EQ(sink.Ids(), std::vector<DISPID>{kOnTempSpace});
    const Seen& s = sink.calls[0];
    EXPECT_EQ(s.texts, (std::vector<std::wstring>{L"C:\\windows\\temp", L"<null>"}));
    ASSERT_EQ(sink.kept.size(), 2u);
    VARIANT lo, hi;
    ASSERT_EQ(QuestionSink::Property(sink.kept[0], L"LoPart", &lo), S_OK);
    ASSERT_EQ(QuestionSink::Property(sink.kept[0], L"HiPart", &hi), S_OK);
    EXPECT_EQ(V_I4(&lo), -1);
    EXPECT_EQ(V_I4(&hi), 1);
    ASSERT_EQ(QuestionSink::Property(sink.kept[1], L"LoPart", &lo), S_OK);
    ASSERT_EQ(QuestionSink::Property(sink.kept[1], L"HiPart", &hi), S_OK);
    EXPECT_EQ(V_I4(&lo), 5);
    EXPECT_EQ(V_I4(&hi), 7);
    Ptr<IInt64> asInt64;
    EXPECT_EQ(sink.kept[0]->QueryInterface(IID_IInt64, asInt64.put_void()), S_OK);

    sink.textAnswers[kOnTempSpace] = L"F:\\T";
    EXPECT_EQ(AskOnWorker(30, "1,0,2,0,260,D:\\work"), 1);
    EXPECT_EQ(sim::Text("ask.text"), "F:\\T");
    EXPECT_EQ(sink.calls.back().texts.front(), L"D:\\work");

    sink.calls.clear();
    for (const char* dataText : {"null", "nulldir", "nullbuffer"}) {
        EXPECT_EQ(AskOnWorker(30, dataText), -1) << dataText;
    }
    EXPECT_TRUE(sink.calls.empty()) << "nothing to ask or nowhere to answer: no event";
}

TEST_F(QuestionTest, OverburnFiresBothEventsWithTheRecordNumbers) {
    QuestionSink sink;
    Ptr<IVexo4> v = ReadyVexo();
    ASSERT_TRUE(v);
    Advise(v.get(), sink);

    sink.answers[kOnOverburn2] = 1;
    EXPECT_EQ(AskOnWorker(13, "1000,2000"), 1);
    ASSERT_EQ(sink.Ids(), (std::vector<DISPID>{kOnOverburn, kOnOverburn2}));
    EXPECT_EQ(sink.calls[1].object[L"TotalBlocksOnCD"], L"1000");
    EXPECT_EQ(sink.calls[1].object[L"TotalCapacity"], L"2000");
    EXPECT_EQ(sink.calls[1].numbers, std::vector<LONG>{0});

    sink.calls.clear();
    sink.answers.clear();
    sink.answers[kOnOverburn] = 1;
    EXPECT_EQ(AskOnWorker(13), 1) << "the first event's answer reaches the engine through the second";
    ASSERT_EQ(sink.calls.size(), 2u);
    EXPECT_EQ(sink.calls[1].numbers, std::vector<LONG>{1}) << "OnOverburn2 sees OnOverburn's answer";
    EXPECT_EQ(sink.calls[1].object[L"TotalBlocksOnCD"], L"360000");
    EXPECT_EQ(sink.calls[1].object[L"TotalCapacity"], L"359847");

    sink.calls.clear();
    EXPECT_EQ(AskOnWorker(13, "null"), 1);
    EXPECT_EQ(sink.Ids(), std::vector<DISPID>{kOnOverburn}) << "no record: only the first event";
}

TEST_F(QuestionTest, MessageBoxFieldsAndMessageOutliveTheQuestion) {
    QuestionSink sink;
    Ptr<IVexo4> v = ReadyVexo();
    ASSERT_TRUE(v);
    Advise(v.get(), sink);

    sink.answers[kOnDlgMessageBox] = -4;
    EXPECT_EQ(AskOnWorker(29, "5,3,-7,Replace the disc, then retry?"), -4);
    ASSERT_EQ(sink.Ids(), std::vector<DISPID>{kOnDlgMessageBox});
    const Seen& s = sink.calls[0];
    EXPECT_EQ(s.numbers, std::vector<LONG>{-1}) << "the response arrives preset -1";
    EXPECT_EQ(s.object.at(L"Type"), L"5");
    EXPECT_EQ(s.object.at(L"Icon"), L"3");
    EXPECT_EQ(s.object.at(L"Response"), L"-7");
    EXPECT_EQ(s.object.at(L"Message"), L"Replace the disc, then retry?");

    // The engine's text is gone once the question is answered; the object
    // still tells its message.
    ASSERT_EQ(sink.kept.size(), 1u);
    VARIANT message;
    ASSERT_EQ(QuestionSink::Property(sink.kept[0], L"Message", &message), S_OK);
    ASSERT_EQ(V_VT(&message), VT_BSTR);
    EXPECT_EQ(std::wstring(V_BSTR(&message)), L"Replace the disc, then retry?");
    VariantClear(&message);

    sink.calls.clear();
    EXPECT_EQ(AskOnWorker(29, "null"), -1);
    EXPECT_TRUE(sink.calls.empty()) << "no record: no event";
}

TEST_F(QuestionTest, WaitCDTextsAndMediaNamesComeFromTheEngine) {
    QuestionSink sink;
    Ptr<IVexo4> v = ReadyVexo();
    ASSERT_TRUE(v);
    Advise(v.get(), sink);

    EXPECT_EQ(AskOnWorker(15, "4"), -1);
    ASSERT_EQ(sink.Ids(), std::vector<DISPID>{kOnWaitCD});
    EXPECT_EQ(sink.calls[0].numbers, std::vector<LONG>{4});
    EXPECT_EQ(sink.calls[0].texts, std::vector<std::wstring>{L"Insert the next disc"});
    EXPECT_EQ(sim::Counter("outstanding"), 0) << "the localized text is given back";

    sink.calls.clear();
    EXPECT_EQ(AskOnWorker(15, "22"), -1);
    EXPECT_EQ(sink.calls.at(0).texts, std::vector<std::wstring>{L"--- Accessing disc, please wait ---"});

    sink.calls.clear();
    EXPECT_EQ(AskOnWorker(28, "1,4"), -1);
    ASSERT_EQ(sink.Ids(), std::vector<DISPID>{kOnWaitCDMediaInfo});
    EXPECT_EQ(sink.calls[0].numbers, (std::vector<LONG>{1, 4}));
    EXPECT_EQ(sink.calls[0].texts, (std::vector<std::wstring>{L"CD-R", L"DVD-R"}));
    sink.calls.clear();
    EXPECT_EQ(AskOnWorker(28, "2,16"), -1);
    EXPECT_EQ(sink.calls.at(0).texts, (std::vector<std::wstring>{L"Media 0x2", L"Media 0x10"}));
}

TEST_F(QuestionTest, EventsArriveOnTheClientThread) {
    QuestionSink sink;
    Ptr<IVexo4> v = ReadyVexo();
    ASSERT_TRUE(v);
    Advise(v.get(), sink);
    sink.textAnswers[kOnTempSpace] = L"X";
    for (auto [request, dataText] : {std::pair{2, ""}, {13, ""}, {15, "1"}, {20, ""}, {22, ""}, {28, "1,1"},
                                 {29, "0,0,0,m"}, {30, "1,0,2,0,260"}})
        AskOnWorker(request, dataText);
    ASSERT_EQ(sink.calls.size(), 9u);
    for (const Seen& s : sink.calls) EXPECT_EQ(s.thread, GetCurrentThreadId()) << "event " << s.id;
}

TEST_F(QuestionTest, OnlyTheEngineObjectCreatedLastReceivesTheQuestions) {
    QuestionSink first, second;
    Ptr<IVexo4> a = ReadyVexo();
    ASSERT_TRUE(a);
    Advise(a.get(), first);
    Ptr<IVexo4> b = ReadyVexo();
    ASSERT_TRUE(b);
    Advise(b.get(), second);
    second.answers[kOnDisconnect] = 4;
    first.answers[kOnDisconnect] = 3;

    EXPECT_EQ(AskOnWorker(2), 4);
    EXPECT_TRUE(first.calls.empty());
    EXPECT_EQ(second.Ids(), std::vector<DISPID>{kOnDisconnect});

    // Releasing the current object leaves none current, even though the
    // older one is still alive.
    b.reset();
    EXPECT_EQ(AskOnWorker(2), -1);
    EXPECT_TRUE(first.calls.empty());
}

TEST_F(QuestionTest, WithoutAnEngineObjectEveryQuestionGetsMinusOne) {
    Ptr<IVexoDrives> drives;
    {
        Ptr<IVexo4> v = ReadyVexo();
        ASSERT_TRUE(v);
        ASSERT_EQ(v->GetDrives(VEXO_MEDIA_ANY, drives.put()), S_OK);  // keeps the engine initialised
    }
    int noCallback = sim::Counter("ask.nocallback");
    for (int32_t request : {2, 13, 22, 29, 30, 20}) EXPECT_EQ(AskOnWorker(request), -1) << request;
    EXPECT_EQ(sim::Counter("ask.nocallback"), noCallback) << "the server's callback answered";
    std::string left = sim::Text("ask.text");
    EXPECT_FALSE(left.empty());
    EXPECT_EQ(left.find_first_not_of('x'), std::string::npos) << "the file-name buffer is left alone";
}

TEST_F(QuestionTest, BurnWorkerQuestionsReachTheEngineWithTheClientsAnswers) {
    sim::Configure("[Burn]\nSteps=1\nAsk=2\nAsk=20\nAsk=13:100,200\nAsk=30:1,0,2,0,8\n");
    QuestionSink sink, driveSink;
    Ptr<IVexo4> v = ReadyVexo();
    ASSERT_TRUE(v);
    Advise(v.get(), sink);
    sink.answers[kOnDisconnect] = 3;
    sink.textAnswers[kOnFileSelImage] = L"D:\\chosen.iso";
    sink.answers[kOnOverburn2] = 1;
    sink.textAnswers[kOnTempSpace] = L"E:\\Temporary";
    Ptr<IVexoDrives> drives;
    ASSERT_EQ(v->GetDrives(VEXO_MEDIA_ANY, drives.put()), S_OK);
    Ptr<IVexoDrive5> drive;
    ASSERT_EQ(drives->Item(0, drive.put()), S_OK);
    ASSERT_NE(AdviseSink(drive.get(), DIID__IVexoDriveEvents, driveSink.get()), 0u);
    Bstr image(L"disc.iso");
    ASSERT_EQ(drive->BurnImage(image.get(), static_cast<VEXO_BURN_FLAGS>(4), 0), S_OK);
    constexpr DISPID kOnDoneBurn = 8;
    EXPECT_TRUE(PumpUntil([&] {
        for (const Seen& s : driveSink.calls)
            if (s.id == kOnDoneBurn) return true;
        return false;
    }, 10000));
    PumpUntil([] { return false; }, 100);  // the worker leaves after its completion event

    EXPECT_EQ(sink.Ids(), (std::vector<DISPID>{kOnDisconnect, kOnFileSelImage, kOnOverburn, kOnOverburn2, kOnTempSpace}));
    for (const Seen& s : sink.calls) EXPECT_EQ(s.thread, GetCurrentThreadId()) << "event " << s.id;
    EXPECT_EQ(sim::Counter("ask.count"), 4);
    EXPECT_EQ(sim::Counter("answer.0"), 3);
    EXPECT_EQ(sim::Counter("answer.1"), 5);
    EXPECT_EQ(sim::Text("answer.1.text"), "D:\\chosen.iso");
    EXPECT_EQ(sim::Counter("answer.2"), 1);
    EXPECT_EQ(sim::Counter("answer.3"), 1);
    EXPECT_EQ(sim::Text("answer.3.text"), "E:\\Temp");
}

TEST_F(QuestionTest, FSSecNoIsCreatableWithTwoHalves) {
    Ptr<IVexoFSSecNo> n;
    ASSERT_EQ(CoCreateInstance(CLSID_VexoFSSecNo, nullptr, CLSCTX_INPROC_SERVER, IID_IVexoFSSecNo, n.put_void()),
              S_OK);
    LONG lo = 7, hi = 7;
    EXPECT_EQ(n->get_LoPart(&lo), S_OK);
    EXPECT_EQ(n->get_HiPart(&hi), S_OK);
    EXPECT_EQ(lo, 0);
    EXPECT_EQ(hi, 0);
    EXPECT_EQ(n->put_HiPart(1), S_OK);
    EXPECT_EQ(n->put_LoPart(-2), S_OK);
    Ptr<IInt64> asInt64;
    ASSERT_EQ(n->QueryInterface(IID_IInt64, asInt64.put_void()), S_OK);
    EXPECT_EQ(asInt64->get_LoPart(&lo), S_OK);
    EXPECT_EQ(asInt64->get_HiPart(&hi), S_OK);
    EXPECT_EQ(lo, -2);
    EXPECT_EQ(hi, 1);
    EXPECT_EQ(n->get_LoPart(nullptr), E_POINTER);
    VARIANT v;
    ASSERT_EQ(QuestionSink::Property(n.get(), L"HiPart", &v), S_OK) << "late-bound through the inherited members";
    EXPECT_EQ(V_I4(&v), 1);
}

// ---- without the neutral-locale path ------------------------------------------

TEST(QuestionRegistration, ServerRegistersTheTypeLibraryForTheNeutralLocale) {
    EXPECT_TRUE(NeutralTypeLibRegistered())
        << "Wine's type-library marshaller cannot make proxies of the dual interfaces";
}

TEST(QuestionRegistration, ArgumentsThatCannotCrossArriveNullWithoutHarm) {
    ASSERT_TRUE(AskExport()) << "the simulated engine's VexoSimAskSpec";
    // Without the library's neutral-locale entry the argument interfaces
    // have no proxy: the events come with null objects and nothing fails.
    RegDeleteKeyA(HKEY_CLASSES_ROOT, (std::string(kNeutralTypeLibKey) + "\\win32").c_str());
    RegDeleteKeyA(HKEY_CLASSES_ROOT, kNeutralTypeLibKey);
    ASSERT_FALSE(NeutralTypeLibRegistered());
    struct Reregister {
        ~Reregister() { TheServer().Register(); }
    } reregister;
    sim::Configure("");
    QuestionSink sink;
    Ptr<IVexo4> v = ReadyVexo();
    ASSERT_TRUE(v);
    Advise(v.get(), sink);
    sink.answers[kOnOverburn2] = 1;
    sink.answers[kOnDlgMessageBox] = -3;
    EXPECT_EQ(AskOnWorker(13, "1000,2000"), 1);
    EXPECT_EQ(AskOnWorker(29, "1,1,1,text"), -3);
    EXPECT_EQ(AskOnWorker(30, "1,0,2,0,260"), 1);
    ASSERT_EQ(sink.Ids(), (std::vector<DISPID>{kOnOverburn, kOnOverburn2, kOnDlgMessageBox, kOnTempSpace}));
    EXPECT_EQ(sink.calls[1].object.count(L"<null>"), 1u);
    EXPECT_EQ(sink.calls[2].object.count(L"<null>"), 1u);
    EXPECT_TRUE(sink.kept.empty());
    v.reset();
    EXPECT_EQ(sim::Counter("init.ok"), sim::Counter("done.ok"));
}
