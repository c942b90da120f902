#pragma once

#include <string>
#include <vector>

// Turns the text keys that windows give their toolbar buttons, buttons and window icons into
// positions 1..135 of the program's one image store (0: no image). The key table is fixed;
// synonyms share a position. Keys are compared upper-cased, exactly, first match wins.
//
// The manager knows nothing of widgets or images: a window hands it adapters (Toolbar, Picture)
// that turn a position into the store's image. The store itself (QtIconImages) is built once by
// start-up and outlives every window; adapters only borrow it. The manager keeps no state.
class IconManager {
 public:
  static constexpr int kImageCount = 135;

  // A toolbar's buttons 1..ButtonCount, each with its key, and the image shown on each.
  class Toolbar {
   public:
    virtual ~Toolbar() = default;
    virtual int ButtonCount() const = 0;
    virtual std::string ButtonKey(int button) const = 0;
    virtual void SetButtonImage(int button, int position) = 0;  // 0 takes the image away
  };

  // Something that shows one image: a command button, an image button, a window's icon.
  class Picture {
   public:
    virtual ~Picture() = default;
    virtual void SetImage(int position) = 0;  // 1..135
  };

  // Each button gets the image of its key; a key outside the table leaves the button without an
  // image. An adapter that fails (throws) stops the walk at that button.
  void initToolbar(Toolbar& myToolBar) const;
  // The image of iconName; a key outside the table leaves the picture as it was. Never throw.
  void initButton(Picture& myButton, const std::string& iconName) const;
  void initCtlUniButtonImageXP(Picture& myButton, const std::string& iconName) const;
  void InitForm(Picture& myForm, const std::string& iconName) const;

  // The keys of a position, as the table spells them; empty outside 1..135.
  static std::vector<std::string> KeysAt(int position);

 private:
  static int GetImageIndex(const std::string& key);
  static void ShowImage(Picture& picture, const std::string& iconName);
};
