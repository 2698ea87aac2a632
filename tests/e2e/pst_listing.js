// Lists what the npm package pst-extractor reads in a .pst file: the folder
// tree with classes and counts, every item with its main properties, and every
// attachment with its size and a checksum of its bytes. One fact per line, so
// that a test can compare them.
//   node pst_listing.js FILE
'use strict';
const crypto = require('crypto');
const { PSTFile } = require('pst-extractor');

function attachmentBytes(attachment) {
  const stream = attachment.fileInputStream;
  if (!stream) return Buffer.alloc(0);
  const bytes = Buffer.alloc(attachment.filesize);
  stream.readCompletely(bytes);
  return bytes;
}

function listItems(folder, path) {
  let item = folder.getNextChild();
  while (item != null) {
    const fields = [`class=${item.messageClass}`, `subject=${item.subject}`, `display=${item.displayName}`];
    if (item.messageClass.startsWith('IPM.Contact')) {
      fields.push(`given=${item.givenName}`, `surname=${item.surname}`, `company=${item.companyName}`,
                  `email1=${item.email1EmailAddress}`, `business-phone=${item.businessTelephoneNumber}`);
    }
    console.log(`item ${path} ${fields.join(' | ')}`);
    for (let i = 0; i < item.numberOfAttachments; i++) {
      const attachment = item.getAttachment(i);
      const bytes = attachmentBytes(attachment);
      const digest = crypto.createHash('sha256').update(bytes).digest('hex');
      console.log(`attachment ${path} ${attachment.longFilename} size=${bytes.length} sha256=${digest}`);
    }
    item = folder.getNextChild();
  }
}

// A folder the reader cannot open (it does not follow search folders, for
// one) is reported on a line of its own and the walk goes on.
function walk(folder, path) {
  console.log(`folder ${path} class=${folder.containerClass} count=${folder.contentCount} ` +
              `subfolders=${folder.hasSubfolders}`);
  try {
    if (folder.contentCount > 0) listItems(folder, path);
  } catch (error) {
    console.log(`error ${path} items: ${error.message}`);
  }
  let children = [];
  try {
    children = folder.getSubFolders();
  } catch (error) {
    console.log(`error ${path} subfolders: ${error.message}`);
  }
  for (const child of children) walk(child, `${path}/${child.displayName}`);
}

const file = new PSTFile(process.argv[2]);
console.log(`store ${file.getMessageStore().displayName}`);
walk(file.getRootFolder(), '');
