#pragma once

struct ProgramObjects;

// Puts the program's dialog windows behind the interfaces that the Qt-free code asks through:
// the session's operator dialogs (super-user login, variable picker, date ranges), the connection
// progress window and the configuration password prompt. They are shown over the main window.
//
// Call once the main window exists (its construction hands the context a fresh set of user
// interface services). The dialogs are kept for as long as the objects are, until
// RemoveInteractiveDialogs; installing again for the same objects replaces them.
void InstallInteractiveDialogs(ProgramObjects& objects);
// Takes them out of the context and the session again and releases them.
void RemoveInteractiveDialogs(ProgramObjects& objects);
