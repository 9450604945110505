// The agent's playlist calls as the device library reaches them: definitions
// in the program take the place of the agent's for every caller, record the
// call and hand it on to the agent's own.
#include "agent_spy.h"

#include <dlfcn.h>

#include "ZELDevice/abi/Agent.h"

namespace {

std::vector<PlaylistCall>& Calls() {
    static std::vector<PlaylistCall> calls;
    return calls;
}

std::vector<std::u16string> Texts(CStringArray& array) {
    std::vector<std::u16string> texts;
    for (INT_PTR k = 0; k < array.GetSize(); ++k) texts.push_back(array[k].Str());
    return texts;
}

template <class Proc>
Proc Agent(const char* name) {
    return reinterpret_cast<Proc>(dlsym(RTLD_NEXT, name));
}

}  // namespace

const std::vector<PlaylistCall>& PlaylistCalls() { return Calls(); }
void ClearPlaylistCalls() { Calls().clear(); }

extern "C" {

int Agent_MTPUpdatePlaylist(CStringArray& names, CStringArray& paths, int mode, CZEL_File* record) {
    Calls().push_back({"update", Texts(names), Texts(paths)});
    static const auto agent = Agent<int (*)(CStringArray&, CStringArray&, int, CZEL_File*)>("Agent_MTPUpdatePlaylist");
    return agent(names, paths, mode, record);
}

DWORD Agent_MTPUpdateMoodPlaylist(CString name, CStringArray& paths, CZEL_File* record) {
    Calls().push_back({"mood", {name.Str()}, Texts(paths)});
    static const auto agent = Agent<DWORD (*)(CString, CStringArray&, CZEL_File*)>("Agent_MTPUpdateMoodPlaylist");
    return agent(name, paths, record);
}

}  // extern "C"
