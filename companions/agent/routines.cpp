// The getters through which the device obtains the agent's media routines.
#include "ZELDevice/abi/AgentRoutines.h"
#include "media_routines.h"

extern "C" {

AFX_EXT_API ZelTagReaderFn Agent_GetGetFileInfo() { return zelagent::ReadFileInfo; }
AFX_EXT_API ZelTagReleaseFn Agent_GetDeleteTrack() { return zelagent::ReleaseTrack; }
AFX_EXT_API ZelAlbumArtResizeFn Agent_ResizeAlbumImage() { return zelagent::ResizeAlbumImage; }
AFX_EXT_API ZelAlbumImageDeleteFn Agent_DeleteAlbumImage() { return zelagent::DeleteAlbumImage; }
AFX_EXT_API ZelAlbumImageResizeInMemoryFn Agent_ResizeAlbumImageForC7() { return zelagent::ResizeAlbumImageInMemory; }
AFX_EXT_API ZelMoodWriterFn Agent_AddMoodInfoForDevice() { return zelagent::AddMoodInfo; }

}
