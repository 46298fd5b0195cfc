// Rollover images for the menu: loaded by script, named in no attribute.
var over = new Image();
over.src = "images/on.gif";
var out = new Image();
out.src = 'images/off.gif';

function highlight(img, on) {
  img.src = on ? over.src : out.src;
}
