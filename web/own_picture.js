// The demonstration's picture made from a visitor's own image, in the browser, as
// bump-picture makes it on a desktop (tools/height_picture.h): the image fitted to the
// picture's 320 x 200 (its middle kept, what sticks out cropped, never stretched), scaled
// smoothly, each pixel's brightness over black (0.299 red, 0.587 green, 0.114 blue) its
// height, written as a run-length PCX of 256 colours (a grey palette). The image is decoded
// by the browser: PNG, JPEG, GIF, WebP, BMP, whatever it reads. Nothing leaves the page.
//
// heightPictureFrom(file) resolves to the PCX's bytes (a Uint8Array), or rejects with an
// Error whose message says, for the visitor, why the file was refused: larger than 50 MB
// or 100 megapixels, or no image the browser can read.
'use strict';
// eslint-disable-next-line no-unused-vars
const heightPictureFrom = (() => {
  const width = 320;
  const height = 200;
  const maxBytes = 50 * 1000 * 1000;
  const maxPixels = 100 * 1000 * 1000;

  // One row's run-length code: runs of up to 63, and a marker before any single value
  // that would read as one (192 and above).
  const encodeRow = (row, out) => {
    for (let i = 0; i < row.length;) {
      let run = 1;
      while (i + run < row.length && run < 63 && row[i + run] == row[i]) ++run;
      if (run > 1 || row[i] >= 192) out.push(192 + run);
      out.push(row[i]);
      i += run;
    }
  };

  const encode = (heights) => {
    const header = new Uint8Array(128);
    const view = new DataView(header.buffer);
    header.set([10, 5, 1, 8]);  // maker, version with a 256-colour palette, run-length, bits
    view.setUint16(8, width - 1, true);
    view.setUint16(10, height - 1, true);
    view.setUint16(12, 72, true);
    view.setUint16(14, 72, true);
    header[65] = 1;  // planes
    view.setUint16(66, width, true);
    view.setUint16(68, 1, true);  // a colour palette
    const body = [];
    for (let y = 0; y < height; ++y) encodeRow(heights.subarray(y * width, (y + 1) * width), body);
    const palette = new Uint8Array(769);
    palette[0] = 12;
    for (let i = 0; i < 256; ++i) palette.fill(i, 1 + 3 * i, 4 + 3 * i);
    const pcx = new Uint8Array(header.length + body.length + palette.length);
    pcx.set(header);
    pcx.set(body, header.length);
    pcx.set(palette, header.length + body.length);
    return pcx;
  };

  // The image's size once the browser has read its header, before it decodes the pixels.
  const loaded = (file) => new Promise((resolve, reject) => {
    const image = new Image();
    const url = URL.createObjectURL(file);
    image.onload = () => resolve({image, url});
    image.onerror = () => {
      URL.revokeObjectURL(url);
      reject(new Error(`${file.name} is no image this browser can read`));
    };
    image.src = url;
  });

  return async (file) => {
    if (file.size > maxBytes) throw new Error(`${file.name} is larger than 50 MB`);
    const {image, url} = await loaded(file);
    try {
      const [imageWidth, imageHeight] = [image.naturalWidth, image.naturalHeight];
      if (!imageWidth || !imageHeight) {
        throw new Error(`${file.name} is no image this browser can read`);
      }
      if (imageWidth * imageHeight > maxPixels) {
        throw new Error(`${file.name} has more than 100 megapixels ` +
                        `(${imageWidth} x ${imageHeight})`);
      }
      const scale = Math.max(width / imageWidth, height / imageHeight);
      const cropWidth = Math.min(imageWidth, Math.max(1, Math.round(width / scale)));
      const cropHeight = Math.min(imageHeight, Math.max(1, Math.round(height / scale)));
      const canvas = document.createElement('canvas');
      canvas.width = width;
      canvas.height = height;
      const context = canvas.getContext('2d', {willReadFrequently: true});
      context.fillStyle = 'black';
      context.fillRect(0, 0, width, height);
      context.imageSmoothingQuality = 'high';
      context.drawImage(image, Math.floor((imageWidth - cropWidth) / 2),
                        Math.floor((imageHeight - cropHeight) / 2), cropWidth, cropHeight, 0, 0,
                        width, height);
      const rgba = context.getImageData(0, 0, width, height).data;
      const heights = new Uint8Array(width * height);
      for (let i = 0; i < heights.length; ++i) {
        heights[i] = Math.round(0.299 * rgba[4 * i] + 0.587 * rgba[4 * i + 1] +
                                0.114 * rgba[4 * i + 2]);
      }
      return encode(heights);
    } finally {
      URL.revokeObjectURL(url);
    }
  };
})();
