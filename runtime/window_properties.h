// The names of the window properties the runtime keeps on platform windows, in one place
// because several libraries read what another one wrote: the window system and the screen
// both hook and inspect the same windows. A property that holds an object number holds
// number + 1, so that 0 means none.
#pragma once

// On a runtime window: its number (or dynamic identifier) + 1. Set last when it opens.
#define PROPERTY_WINDOW_ID "QX_WindowID"
// On a window registered for dropped data; a close revokes the registration.
#define PROPERTY_DROP_ACCEPT "QX_DropAccept"
// The control that had the keyboard focus when the window was last deactivated.
#define PROPERTY_FOCUS "QX_Focus"
// On a window that frames an MDI client: that client, so messages go through DefFrameProcA.
#define PROPERTY_MDI_GADGET "QX_MDI_Gadget"
// On a control: the number of the gadget it belongs to, while it equals the control's GWL_ID.
#define PROPERTY_GADGET_ID "QX_ID"
// On a hot-key control, which receives every key, Tab included.
#define PROPERTY_HOTKEY "QX_Hotkey"
// A container's gadget stack entry, formatted with the program's instance handle.
#define PROPERTY_GADGET_STACK_FORMAT "QX_GadgetStack_%i"
// On a parent window whose procedure the screen has hooked (1); the hook stays for good.
#define PROPERTY_SCREEN_HOOKED "qx_dxsize"
// On a hooked parent: its procedure from before the hook, kept on each parent since a
// process may hold screens in several windows over its life, one after the other.
#define PROPERTY_SCREEN_PARENT_PROC "qx_dxproc"
