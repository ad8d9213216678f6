// Gadget support: the gadgets table, the default gadget font, and the gadget-container
// state, which names the window that gadgets are currently created in. Making a window
// the container saves the previous container's state in a property of that window and
// subclasses the new one, so that its state goes when it is destroyed.
#pragma once

#include <windows.h>

#include <stdint.h>

struct GadgetRecord;
typedef LRESULT (*GadgetMessageHandler)(struct GadgetRecord* gadget, HWND parent, UINT message,
                                        WPARAM wparam, LPARAM lparam);

// A gadget kind's operations; the third entry handles forwarded messages.
struct GadgetOperations {
    void* first;
    void* second;
    GadgetMessageHandler message_handler;
};

struct GadgetRecord {
    HWND handle;
    const struct GadgetOperations* operations;
};

struct GadgetListState {
    HWND container;
    uint32_t cleared;
    HFONT font;
    HWND* nesting;
    int32_t nesting_depth;
    int32_t nesting_capacity;
    HWND auxiliary_window;
};

struct GadgetStackEntry {
    HWND window;
    HWND saved_container;
    HWND* saved_nesting;
    int32_t saved_nesting_depth;
    int32_t saved_nesting_capacity;
    WNDPROC previous_procedure;
};

extern struct ObjectTable* GadgetTable;
extern struct GadgetListState* GadgetList;
extern HFONT GadgetFont;

void Gadgets_Init(void);
void Gadgets_End(void);
HWND GadgetList_Use(HWND window);
LRESULT CALLBACK GadgetList_SubclassProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
int32_t Gadget_Close(int32_t number);
