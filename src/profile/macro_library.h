// The macro library on disk: macro groups, their list file and the factory copy.
#pragma once

// When the macro page's list exists and its selected row is a macro (not a group
// row), saves that macro into its group file. Used by the Apply save.
void SaveSelectedListMacro();
