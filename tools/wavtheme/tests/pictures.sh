# The pictures that the command-line tests and the picture oracle use, written
# by ImageMagick into the current directory. Sourced; needs $convert.
#   PICTURES: every picture below that wavtheme takes

"$convert" rose: -colors 200 PNG8:pal8.png
"$convert" rose: -colors 12 -define png:bit-depth=4 PNG8:pal4.png
"$convert" rose: -colors 4 -define png:bit-depth=2 PNG8:pal2.png
"$convert" rose: -colors 2 -define png:bit-depth=1 PNG8:pal1.png
"$convert" rose: -colors 200 -interlace PNG PNG8:pal8-interlaced.png
"$convert" rose: -colorspace Gray -depth 8 -define png:color-type=0 grey8.png
"$convert" rose: -colorspace Gray -define png:color-type=0 -define png:bit-depth=4 grey4.png
"$convert" rose: -colorspace Gray -define png:color-type=0 -define png:bit-depth=1 grey1.png
"$convert" rose: -depth 8 -define png:color-type=2 rgb.png
"$convert" rose: -depth 8 -interlace PNG -define png:color-type=2 rgb-interlaced.png
"$convert" rose: -colors 200 -type Palette -compress None BMP3:pal8.bmp
"$convert" rose: -colors 12 -type Palette BMP3:pal4.bmp
"$convert" rose: -colors 2 -type Palette BMP3:pal1.bmp
"$convert" rose: -colors 200 -type Palette BMP2:core.bmp
"$convert" rose: -depth 8 BMP3:rgb24.bmp
# Pictures whose colours lose precision on the way to 8 bits.
"$convert" rose: -colorspace Gray -depth 16 -define png:color-type=0 grey16.png
"$convert" rose: -depth 16 PNG48:rgb16.png
"$convert" rose: -define bmp:subtype=RGB565 BMP:rgb565.bmp
# Pictures with transparency, blended onto the background.
"$convert" rose: -alpha set -channel A -fx 'i/w' +channel -depth 8 -define png:color-type=6 rgba.png
"$convert" rose: -alpha set -channel A -fx 'j/h' +channel -depth 16 PNG64:rgba16.png
"$convert" rose: -colorspace Gray -alpha set -channel A -fx 'i/w' +channel -depth 8 -define png:color-type=4 grey-alpha.png
"$convert" rose: -alpha set -channel A -fx 'i/w' +channel BMP:rgba.bmp
# JPEG, which the tool reads through the platform's decoder only.
"$convert" rose: -quality 90 rose.jpg
"$convert" rose: -colorspace Gray -quality 90 grey.jpg
"$convert" rose: -quality 90 -interlace JPEG progressive.jpg

# The pictures that the tool read before it used the platforms' decoders.
PICTURES=(pal8.png pal4.png pal2.png pal1.png pal8-interlaced.png grey8.png grey4.png grey1.png rgb.png
  rgb-interlaced.png pal8.bmp pal4.bmp pal1.bmp core.bmp rgb24.bmp grey16.png rgb16.png rgb565.bmp rgba.png
  rgba16.png grey-alpha.png rgba.bmp)
