#pragma once

namespace tamlo::script {

// Gives "ListBox" and "ComboBox" wrappers the methods that fill and read their lists
// (addItem, removeItem, clearItems, getItemCount, getItemText, getSelectedIndex,
// setSelectedIndex; a list box's getText is its selected row's text). Call before the
// host starts.
void installListMethods();

}  // namespace tamlo::script
