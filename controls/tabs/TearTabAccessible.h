#pragma once
// The tab strip as the accessibility bus sees it: a page-tab list whose children are its tabs,
// each named by its caption, selectable by its press action.

// Installs the interface factory once per process; every tab strip calls it.
void InstallTearTabAccessibility();
