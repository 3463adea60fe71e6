// A push button drawn entirely from an image resource over what its parent shows behind it.
// The first paint captures the parent's background once and pre-renders three pictures of
// each loaded image: normal (image at 0, 0), pressed (image shifted one pixel right and down)
// and hover (image brightened by the colour matrix below); every later paint copies one.
// With an alternate image and toggle mode on, each click swaps the two image sets (used for
// play/pause). A disabled button looks the same as an enabled one.
#pragma once

#include <QAbstractButton>
#include <QImage>

class CGdipButton : public QAbstractButton {
  Q_OBJECT

public:
  explicit CGdipButton(QWidget* parent = nullptr);

  // Loads the image shown normally (and the alternate image of toggle mode). `type` is the
  // resource type, "PNG" or "BITMAP". False, with the image left empty, when the resource is
  // missing or undecodable. Images loaded after the first paint are not shown.
  bool LoadStandardImage(int id, const char* type = "PNG");
  bool LoadAlternateImage(int id, const char* type = "PNG");

  // With an alternate image: turns toggle mode on or off (clicks swap the image sets while it
  // is on). Without one: does nothing.
  void EnableToggleMode(bool flag);
  // Swaps the image sets without a click and at once paints the pressed picture of the new
  // set (for a toggle that came from elsewhere, such as the keyboard).
  void FlipToggleState();

  bool IsToggled() const { return m_toggled; }
  bool IsHovering() const { return m_hovering; }

  // The hover look of one colour channel value (0..255): value * 1.05 + 0.05 * 255, clamped.
  static int HoverChannel(int value);

protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
  enum Picture {
    kStandardNormal,
    kStandardPressed,
    kStandardHover,
    kAlternateNormal,
    kAlternatePressed,
    kAlternateHover,
    kPictureCount
  };
  enum class Look { Normal, Pressed, Hover };

  static bool LoadResourceImage(QImage& image, int id, const char* type);
  void PreRender();
  QImage Compose(const QImage& image, Look look) const;
  bool ShowsAlternate() const;
  Picture Choose() const;

  bool m_hasAlternate = false;
  bool m_rendered = false;
  bool m_toggleMode = false;
  bool m_hovering = false;
  bool m_toggled = false;
  // A press flipped the image sets; undone if the press ends without a click.
  bool m_togglePending = false;
  // Set while FlipToggleState paints m_pCurrent as it is.
  bool m_paintCurrent = false;
  QImage m_imgStandard;
  QImage m_imgAlternate;
  QImage m_background;
  QImage m_pictures[kPictureCount];
  Picture m_pCurrent = kStandardNormal;
};
